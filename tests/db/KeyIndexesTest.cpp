// The unique keys of documents and payments on a file made before them: added at the opening
// when the data allows, listed when it does not.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/KeyIndexes.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

namespace {

// A new database taken back to the indexes of the files made before the unique keys, holding
// the rows that `rows` inserts.
std::string olderFile(ScratchDir& dir, const std::vector<std::string>& rows) {
    const std::string path = dir.file("antes.mdb");
    auto db = Database::create(path);
    db->execute("DROP INDEX Documentos_Folio");
    db->execute("DROP INDEX Cobros_NumPago");
    db->execute("CREATE INDEX Cobros_Documento ON Cobros(Id_Documento, NumPago)");
    for (const std::string& sql : rows)
        db->execute(sql);
    return path;
}

TEST(KeyIndexes, AnOlderFileGetsThemWhenItsDataAllows) {
    ScratchDir dir;
    const std::string path =
        olderFile(dir, {"INSERT INTO Documentos (Id_Documento, Serie, Folio) VALUES (1, NULL, 1), (2, 'A', 1)",
                        "INSERT INTO Cobros (Id_Documento, NumPago) VALUES (1, 1), (1, 2)"});
    auto db = Database::open(path);
    EXPECT_TRUE(KeyIndexes::hasFolioIndex(*db));
    EXPECT_TRUE(KeyIndexes::hasPaymentIndex(*db));
    EXPECT_THROW(db->execute("INSERT INTO Documentos (Serie, Folio) VALUES ('', 1)"), DbError);
    EXPECT_THROW(db->execute("INSERT INTO Cobros (Id_Documento, NumPago) VALUES (1, 2)"), DbError);
    // The payment key took over the old index on the same columns.
    Statement old = db->prepare("SELECT count(*) FROM sqlite_master WHERE name = 'Cobros_Documento'");
    old.step();
    EXPECT_EQ(old.integer(0), 0);
}

TEST(KeyIndexes, RepeatedKeysAreListedAndTheFileIsLeftAsItWas) {
    ScratchDir dir;
    const std::string path = olderFile(
        dir, {"INSERT INTO Documentos (Id_Documento, Serie, Folio) VALUES "
              "(1, NULL, 7), (2, '', 7), (3, 'A', 7), (4, 'A', 7), (5, 'A', 7), (6, 'B', 7)",
              "INSERT INTO Cobros (Id_Documento, NumPago) VALUES (6, 1), (6, 1), (6, 2)"});
    {
        auto db = Database::open(path);
        EXPECT_FALSE(KeyIndexes::hasFolioIndex(*db));
        EXPECT_FALSE(KeyIndexes::hasPaymentIndex(*db));
        const auto folios = KeyIndexes::repeatedFolios(*db);
        ASSERT_EQ(folios.size(), 2u);
        EXPECT_EQ(folios[0].serie, "");  // Null and "" are one series
        EXPECT_EQ(folios[0].folio, 7);
        EXPECT_EQ(folios[0].count, 2);
        EXPECT_EQ(folios[1].serie, "A");
        EXPECT_EQ(folios[1].count, 3);
        const auto payments = KeyIndexes::repeatedPaymentNumbers(*db);
        ASSERT_EQ(payments.size(), 1u);
        EXPECT_EQ(payments[0].serie, "B");
        EXPECT_EQ(payments[0].folio, 7);
        EXPECT_EQ(payments[0].numPago, 1);
        EXPECT_EQ(payments[0].count, 2);

        // Once the technician mends them, the next opening adds the keys.
        db->execute("DELETE FROM Documentos WHERE Id_Documento IN (2, 4, 5)");
        db->execute("DELETE FROM Cobros WHERE rowid = (SELECT max(rowid) FROM Cobros WHERE NumPago = 1)");
    }
    auto db = Database::open(path);
    EXPECT_TRUE(KeyIndexes::hasFolioIndex(*db));
    EXPECT_TRUE(KeyIndexes::hasPaymentIndex(*db));
    EXPECT_TRUE(KeyIndexes::repeatedFolios(*db).empty());
}

TEST(KeyIndexes, AFileAnotherProgramKeepsBusyStillOpensAndGetsThemLater) {
    ScratchDir dir;
    const std::string path = dir.file("ocupada.mdb");
    auto holder = Database::create(path);
    holder->execute("DROP INDEX Documentos_Folio");
    {
        Transaction busy(*holder);  // another station in the middle of a save
        auto db = Database::open(path);
        EXPECT_FALSE(KeyIndexes::hasFolioIndex(*db));
    }
    EXPECT_TRUE(KeyIndexes::hasFolioIndex(*Database::open(path)));
}

std::string queryPlan(Database& db, const std::string& sql) {
    Statement st = db.prepare("EXPLAIN QUERY PLAN " + sql);
    std::string plan;
    while (st.step())
        plan += st.text(3) + "\n";
    return plan;
}

TEST(KeyIndexes, AnOlderFileGainsTheLookupIndexesOnceAndTheStatementUsesThem) {
    ScratchDir dir;
    const std::string path = dir.file("sin-indices.mdb");
    {
        auto db = Database::create(path);
        // The indexes of a file made before the customer-and-date ones.
        db->execute("DROP INDEX Documentos_ClienteFecha");
        db->execute("DROP INDEX Cobros_ClienteFecha");
        db->execute("DROP INDEX Documentos_Fecha");
        db->execute("CREATE INDEX Documentos_Cliente ON Documentos(Id_Cliente)");
        EXPECT_EQ(KeyIndexes::missingLookupIndexes(*db),
                  (std::vector<std::string>{"Documentos_Fecha", "Documentos_ClienteFecha", "Cobros_ClienteFecha"}));
    }
    auto db = Database::open(path);
    EXPECT_TRUE(KeyIndexes::missingLookupIndexes(*db).empty());
    Statement old = db->prepare("SELECT count(*) FROM sqlite_master WHERE name = 'Documentos_Cliente'");
    old.step();
    EXPECT_EQ(old.integer(0), 0);

    // A second opening finds nothing to add and leaves the schema untouched.
    Statement version = db->prepare("PRAGMA schema_version");
    version.step();
    const std::int64_t before = version.integer(0);
    db.reset();
    db = Database::open(path);
    Statement again = db->prepare("PRAGMA schema_version");
    again.step();
    EXPECT_EQ(again.integer(0), before);

    // One customer's sums before a date seek the index instead of reading the whole table.
    EXPECT_NE(queryPlan(*db, "SELECT Sum(Importe) FROM Cobros WHERE Id_Cliente=1 AND Fecha<40000").find("Cobros_ClienteFecha"),
              std::string::npos);
    EXPECT_NE(queryPlan(*db, "SELECT Sum(Total) FROM Documentos WHERE Cancelada=0 AND Id_Cliente=1 AND Fecha<40000")
                  .find("Documentos_ClienteFecha"),
              std::string::npos);
}

TEST(KeyIndexes, AnInterruptedUpgradeOpensTheFileAsItWasAndTheNextOpeningFinishesIt) {
    ScratchDir dir;
    const std::string path = dir.file("grande.mdb");
    {
        auto db = Database::create(path);
        Transaction tx(*db);
        Statement insert = db->prepare("INSERT INTO Documentos (Serie, Folio, Fecha, Id_Cliente) VALUES ('A', ?, ?, 1)");
        for (int folio = 1; folio <= 20000; ++folio) {
            insert.bind(1, std::int64_t{folio});
            insert.bind(2, std::int64_t{40000 + folio % 365});
            insert.step();
            insert.reset();
        }
        tx.commit();
        db->execute("DROP INDEX Documentos_Abiertos");
        db->execute("DROP INDEX Documentos_SerieFolioFecha");
        db->execute("CREATE INDEX Documentos_SerieFolio ON Documentos(Serie, Folio)");
    }
    const std::vector<std::string> missing{"Documentos_SerieFolioFecha", "Documentos_Abiertos"};

    // The operator cancels the wait: the file opens, whole and without the new indexes.
    int calls = 0;
    {
        auto db = Database::open(path, {}, [&] { return ++calls < 3; });
        EXPECT_GE(calls, 3);
        EXPECT_EQ(KeyIndexes::missingLookupIndexes(*db), missing);
        EXPECT_TRUE(db->hasIndex("Documentos_SerieFolio"));
        Statement count = db->prepare("SELECT count(*) FROM Documentos");
        count.step();
        EXPECT_EQ(count.integer(0), 20000);
        // The wait ended with the upgrade: later statements are not interrupted.
        db->execute("UPDATE Documentos SET Pagado = 0");
    }

    // Waited out, the next opening adds them.
    calls = 0;
    auto db = Database::open(path, {}, [&] { return ++calls > 0; });
    EXPECT_GT(calls, 0);
    EXPECT_TRUE(KeyIndexes::missingLookupIndexes(*db).empty());
    EXPECT_FALSE(db->hasIndex("Documentos_SerieFolio"));
}

} // namespace
