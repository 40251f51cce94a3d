// A connection to the server lost in the middle of a save: the transaction is gone whole, the
// error speaks of the server, and the same Database saves again once the server answers, without
// the half-done transaction ever being sent again.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/PgConnection.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

std::vector<CPartida> threeLines() {
    std::vector<CPartida> lines(3);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i].Clave = "K" + std::to_string(i + 1);
        lines[i].Descripcion = "Artículo";
        lines[i].Precio = 10.0 * static_cast<double>(i + 1);
        lines[i].Cantidad = 1;
        lines[i].Recalculate();
    }
    return lines;
}

TEST(ConnectionLost, ASaveCutOffMidwayStoresNothingAndTheNextOneReconnects) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "a file has no connection to lose";
    TestDatabase testDb;
    auto db = testDb.create();
    auto watcher = testDb.open();
    CDocumentStore store(*db);
    std::vector<CPartida> lines = threeLines();
    DocumentHeader h;
    h.nombre = "Caja uno";
    h.serie = "A";
    h.folio = 1;

    // The server drops the connection while the second line is written: the header, the first
    // line, the new customer and articles are already in the transaction.
    TestDatabase::injectLostConnection(*watcher, "Detalles", "INSERT", "NEW.Renglon = 2");
    try {
        store.Save(h, lines, DocumentTotals::Of(lines), {true, 5, "abono"}, std::nullopt);
        FAIL() << "the save reported success";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbError::kServer);
        EXPECT_EQ(DbErrorText(e).rfind("No se pudo comunicar con el servidor de la base de datos", 0), 0u) << DbErrorText(e);
    }
    for (const char* table : {"Documentos", "Detalles", "Cobros", "Clientes", "Articulos"})
        EXPECT_EQ(QueryCount(*watcher, std::string("SELECT count(*) FROM ") + table), 0) << table;
    EXPECT_EQ(h.idCliente, 0);
    EXPECT_EQ(lines[0].Id_Articulo, 0);

    // The server is back: the same document saves whole on the same Database.
    TestDatabase::clearLostConnection(*watcher, "Detalles");
    EXPECT_EQ(store.Save(h, lines, DocumentTotals::Of(lines), {true, 5, "abono"}, std::nullopt).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Documentos"), 1);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Detalles"), 3);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Cobros"), 1);

    // Lost while the station sat idle (a restarted server): the next read and save just work.
    TestDatabase::endOtherConnections(*watcher);
    ASSERT_TRUE(store.FindStored("A", 1));
    h.folio = 2;
    EXPECT_EQ(store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Documentos"), 2);

    // Lost in a cancel, after its payment was deleted: the payment is still there.
    TestDatabase::injectLostConnection(*watcher, "Documentos", "UPDATE");
    EXPECT_THROW(store.Cancel("A", 1), DbError);
    TestDatabase::clearLostConnection(*watcher, "Documentos");
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Documentos WHERE Cancelada <> 0"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), 1);
}

// Lost at COMMIT, the station cannot know whether the save got there; what is stored tells it.
TEST(ConnectionLost, ASaveLostAtCommitIsFoundStoredOrAbsentBeforeItIsRunAgain) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "a file has no connection to lose";
    TestDatabase testDb;
    auto db = testDb.create();
    auto watcher = testDb.open();
    CDocumentStore store(*db);
    const std::vector<CPartida> lines = threeLines();
    DocumentHeader h;
    h.nombre = "Caja uno";
    h.serie = "A";
    h.folio = 7;
    const FirstPayment payment{true, 5, "abono"};
    auto saveFails = [&] {
        DocumentHeader header = h;
        std::vector<CPartida> saved = lines;
        EXPECT_THROW(store.Save(header, saved, DocumentTotals::Of(lines), payment, std::nullopt), DbError);
        // What the form holds is untouched: no ids were handed out.
        EXPECT_EQ(header.idCliente, 0);
        EXPECT_EQ(saved[0].Id_Articulo, 0);
    };

    // The session ends at COMMIT, before the server stores it.
    watcher->execute("CREATE FUNCTION corta_al_confirmar() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL; END $$");
    watcher->execute("CREATE CONSTRAINT TRIGGER corta AFTER INSERT ON Cobros DEFERRABLE INITIALLY DEFERRED "
                     "FOR EACH ROW EXECUTE FUNCTION corta_al_confirmar()");
    saveFails();
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Documentos"), 0);
    EXPECT_EQ(store.CompareStored(h, lines, DocumentTotals::Of(lines), payment), StoredVersion::Absent);
    watcher->execute("DROP TRIGGER corta ON Cobros");

    // Stored, and the reply lost: found as it is, and so never saved twice.
    PgConnection::loseNextCommitReply();
    saveFails();
    EXPECT_EQ(store.CompareStored(h, lines, DocumentTotals::Of(lines), payment), StoredVersion::Same);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Documentos"), 1);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Detalles"), 3);
    EXPECT_EQ(QueryCount(*watcher, "SELECT count(*) FROM Cobros"), 1);
}

} // namespace
