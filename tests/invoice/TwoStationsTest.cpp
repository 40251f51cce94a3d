// Two stations on one file: the folio check belongs to the save's own write transaction, so the
// same series and folio can never be stored twice, and a replacement only ever removes the very
// document the operator was asked about.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "receivables/PaymentStore.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Outcome = SaveResult::Outcome;

DocumentHeader header(const std::string& nombre, const std::string& serie, std::int32_t folio) {
    DocumentHeader h;
    h.nombre = nombre;
    h.serie = serie;
    h.folio = folio;
    h.fecha = h.vence = OleDate::fromDate(2026, 12, 7, 12, 0);
    return h;
}

// One station: proposes the series' next folio, checks that it is free, runs `meanwhile` (the
// operator on the registration dialog) and saves.
SaveResult station(const std::string& path, const std::string& nombre, const std::function<void()>& meanwhile) {
    auto db = Database::open(path);
    CDocumentStore store(*db);
    DocumentHeader h = header(nombre, "A", store.NextFolio("A"));
    const std::optional<StoredDocument> stored = store.FindStored("A", h.folio);
    std::vector<CPartida> lines(1);
    lines[0].Descripcion = "Venta de " + nombre;
    lines[0].Precio = 10;
    lines[0].Cantidad = 1;
    lines[0].Recalculate();
    DocumentTotals totals;
    totals.Add(lines[0]);
    meanwhile();
    return store.Save(h, lines, totals, {true, 4, "anticipo"}, stored);
}

TEST(TwoStations, TheSameProposedFolioFromTwoProcessesIsStoredOnceAndTheSecondIsTold) {
    TestDatabase testDb;
    const std::string path = testDb.location();
    testDb.create();
    for (int round = 1; round <= 6; ++round) {
        int toParent[2], toChild[2];
        ASSERT_EQ(::pipe(toParent), 0);
        ASSERT_EQ(::pipe(toChild), 0);
        char c = 'r';
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int code = 9;
            try {
                const SaveResult r = station(path, "Caja 2", [&] {
                    if (::write(toParent[1], &c, 1) != 1 || ::read(toChild[0], &c, 1) != 1)
                        ::_exit(7);
                });
                code = r.outcome == Outcome::Saved ? 0 : r.outcome == Outcome::FolioTaken ? 10 + r.nextFolio : 8;
            } catch (...) {
            }
            ::_exit(code);
        }
        // Both stations have proposed the folio and found it free before either saves; then
        // both save at once.
        const SaveResult mine = station(path, "Caja 1", [&] {
            ASSERT_EQ(::read(toParent[0], &c, 1), 1);
            ASSERT_EQ(::write(toChild[1], &c, 1), 1);
        });
        int status = 0;
        ::waitpid(child, &status, 0);
        for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
            ::close(fd);
        ASSERT_TRUE(WIFEXITED(status));
        const int theirs = WEXITSTATUS(status);

        // One of the two saved; the other wrote nothing and was offered the next folio.
        if (mine.outcome == Outcome::Saved)
            EXPECT_EQ(theirs, 10 + round + 1) << "round " << round;
        else
            EXPECT_TRUE(mine.outcome == Outcome::FolioTaken && mine.nextFolio == round + 1 && theirs == 0)
                << "round " << round << ": child " << theirs;
        auto db = Database::open(path);
        EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos WHERE Serie = 'A' AND Folio = ?", {std::int64_t{round}}), 1);
        EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos"), round);
        EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), round);
        EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Clientes"), round);
    }
}

class ReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = testDb.location();
        testDb.create();
        mine = Database::open(path);
        other = Database::open(path);
    }
    // Saves a one-line document of `total` through `db`.
    SaveResult save(Database& db, const std::string& nombre, const std::string& serie, std::int32_t folio,
                    const std::optional<StoredDocument>& replace, double paid = 0) {
        DocumentHeader h = header(nombre, serie, folio);
        std::vector<CPartida> lines(1);
        lines[0].Descripcion = "Algo";
        lines[0].Precio = 100;
        lines[0].Cantidad = 1;
        lines[0].Recalculate();
        DocumentTotals totals;
        totals.Add(lines[0]);
        return CDocumentStore(db).Save(h, lines, totals, {paid > 0, paid, ""}, replace);
    }
    std::string nameOf(const std::string& serie, std::int32_t folio) {
        const auto id = CDocumentStore(*mine).Find(serie, folio);
        Statement st = mine->prepare("SELECT Nombre FROM Documentos WHERE Id_Documento = ?");
        st.bind(1, std::int64_t{id.value_or(0)});
        return st.step() ? st.text(0) : std::string("(ninguno)");
    }

    TestDatabase testDb;
    std::string path;
    std::unique_ptr<Database> mine, other;
};

TEST_F(ReplaceTest, OnlyTheDocumentTheOperatorWasAskedAboutIsReplaced) {
    ASSERT_EQ(save(*other, "Original", "", 5, std::nullopt).outcome, Outcome::Saved);
    CDocumentStore store(*mine);

    // Unchanged since the question: replaced.
    std::optional<StoredDocument> asked = store.FindStored("", 5);
    ASSERT_TRUE(asked);
    EXPECT_EQ(save(*mine, "Mío", "", 5, asked).outcome, Outcome::Saved);
    EXPECT_EQ(nameOf("", 5), "Mío");

    // A payment registered elsewhere after the question: nothing written, asked again.
    asked = store.FindStored("", 5);
    other->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 20)", {std::int64_t{asked->id}});
    other->execute("UPDATE Documentos SET YaPagado = 20 WHERE Id_Documento = ?", {std::int64_t{asked->id}});
    EXPECT_EQ(save(*mine, "Otra vez", "", 5, asked).outcome, Outcome::ReplacedChanged);
    EXPECT_EQ(nameOf("", 5), "Mío");
    EXPECT_EQ(QueryCount(*mine, "SELECT count(*) FROM Cobros"), 1);

    // Replaced by the other station meanwhile (another id): not ours to remove.
    asked = store.FindStored("", 5);
    ASSERT_EQ(save(*other, "De la otra caja", "", 5, CDocumentStore(*other).FindStored("", 5)).outcome, Outcome::Saved);
    EXPECT_EQ(save(*mine, "Otra vez", "", 5, asked).outcome, Outcome::ReplacedChanged);
    EXPECT_EQ(nameOf("", 5), "De la otra caja");

    // Deleted meanwhile: nothing written either; the operator decides again.
    asked = store.FindStored("", 5);
    other->execute("DELETE FROM Documentos");
    EXPECT_EQ(save(*mine, "Otra vez", "", 5, asked).outcome, Outcome::ReplacedChanged);
    EXPECT_EQ(QueryCount(*mine, "SELECT count(*) FROM Documentos"), 0);
    EXPECT_EQ(QueryCount(*mine, "SELECT count(*) FROM Clientes"), 3);  // only the saves that went through
    EXPECT_EQ(save(*mine, "Otra vez", "", 5, std::nullopt).outcome, Outcome::Saved);
}

TEST_F(ReplaceTest, AFolioTakenMeanwhileIsRefusedWithTheNextOne) {
    ASSERT_EQ(save(*mine, "Uno", "B", 1, std::nullopt).outcome, Outcome::Saved);
    ASSERT_EQ(save(*other, "Dos", "B", 2, std::nullopt).outcome, Outcome::Saved);
    const SaveResult r = save(*mine, "Tres", "B", 2, std::nullopt, 50);
    EXPECT_EQ(r.outcome, Outcome::FolioTaken);
    EXPECT_EQ(r.nextFolio, 3);
    EXPECT_EQ(nameOf("B", 2), "Dos");
    EXPECT_EQ(QueryCount(*mine, "SELECT count(*) FROM Documentos"), 2);
    EXPECT_EQ(QueryCount(*mine, "SELECT count(*) FROM Cobros"), 0);
}

TEST_F(ReplaceTest, TheUniqueKeysHoldWhateverWritesTheRows) {
    // Without series, Null and "" are one value; series and folio are one document; a payment
    // number is one payment of its document.
    mine->execute("INSERT INTO Documentos (Serie, Folio) VALUES (NULL, 1), ('A', 1), ('B', 1)");
    EXPECT_THROW(mine->execute("INSERT INTO Documentos (Serie, Folio) VALUES (NULL, 1)"), DbError);
    EXPECT_THROW(mine->execute("INSERT INTO Documentos (Serie, Folio) VALUES ('', 1)"), DbError);
    EXPECT_THROW(mine->execute("INSERT INTO Documentos (Serie, Folio) VALUES ('A', 1)"), DbError);
    mine->execute("INSERT INTO Cobros (Id_Documento, NumPago) VALUES (1, 1), (1, 2), (2, 1)");
    EXPECT_THROW(mine->execute("INSERT INTO Cobros (Id_Documento, NumPago) VALUES (1, 2)"), DbError);
}

// One station saving `count` documents of three lines in series "C" as fast as it can, each at the
// series' next folio (the one offered when another station took it first), and paying 1 peso on
// the document it saved and on one a few folios back, which the other station may be paying too.
bool busyStation(const std::string& path, int count, const std::string& nombre) {
    auto db = Database::open(path);
    CDocumentStore store(*db);
    CPaymentStore payments(*db);
    std::vector<CPartida> lines(3);
    DocumentTotals totals;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i].Descripcion = nombre + " " + std::to_string(i);
        lines[i].Precio = 10.0 * static_cast<double>(i + 1);
        lines[i].Cantidad = 1;
        lines[i].Recalculate();
        totals.Add(lines[i]);
    }
    Payment peso;
    peso.fecha = OleDate::fromDate(2026, 12, 7, 12, 0);
    peso.importe = 1;
    peso.referencia = nombre;
    for (int n = 0; n < count; ++n) {
        DocumentHeader h = header(nombre, "C", store.NextFolio("C"));
        SaveResult r = store.Save(h, lines, totals, {true, 2, nombre}, std::nullopt);
        for (int tries = 0; r.outcome == Outcome::FolioTaken && tries < 50; ++tries) {
            h.folio = r.nextFolio;
            r = store.Save(h, lines, totals, {true, 2, nombre}, std::nullopt);
        }
        if (r.outcome != Outcome::Saved)
            return false;
        for (const std::int32_t folio : {h.folio, std::max(1, h.folio - 3)}) {
            const auto id = store.Find("C", folio);
            if (!id || payments.Receive(*id, peso).outcome != CPaymentStore::Outcome::Registered)
                return false;
        }
    }
    return true;
}

TEST(TwoStations, ManySavesAndPaymentsAtOnceNeverRepeatAFolioOrAPaymentNumber) {
    const char* wanted = std::getenv("QUINTALEVA_TWO_STATIONS_COUNT");
    const int saves = wanted && std::atoi(wanted) > 0 ? std::atoi(wanted) : 40;
    TestDatabase testDb;
    testDb.create();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = false;
        try {
            ok = busyStation(testDb.location(), saves, "Caja 2");
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    bool mine = false;
    try {
        mine = busyStation(testDb.location(), saves, "Caja 1");
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(mine);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    auto db = testDb.open();
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos"), 2 * saves);
    EXPECT_EQ(QueryCount(*db, "SELECT count(DISTINCT Folio) FROM Documentos WHERE Serie = 'C'"), 2 * saves);
    EXPECT_EQ(QueryCount(*db, "SELECT max(Folio) FROM Documentos WHERE Serie = 'C'"), 2 * saves);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos d WHERE (SELECT count(*) FROM Detalles l "
                         "WHERE l.Id_Documento = d.Id_Documento) <> 3"), 0);
    // The first payment of each save plus two pesos from each station per document saved.
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), 2 * saves * 3);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM (SELECT Id_Documento, NumPago FROM Cobros "
                         "GROUP BY Id_Documento, NumPago HAVING count(*) > 1) AS r"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos d WHERE abs(d.YaPagado - (SELECT sum(c.Importe) "
                         "FROM Cobros c WHERE c.Id_Documento = d.Id_Documento)) > 0.001"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos d WHERE (SELECT max(NumPago) FROM Cobros c "
                         "WHERE c.Id_Documento = d.Id_Documento) <> (SELECT count(*) FROM Cobros c "
                         "WHERE c.Id_Documento = d.Id_Documento)"), 0);
}

} // namespace
