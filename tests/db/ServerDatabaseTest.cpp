// What only a server database does: refusals with the server's text and a code the prompt acts on,
// and the mark that tells our databases from others.
#include "db/CatalogOrder.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/KeysetPager.h"
#include "db/PgConnection.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

DbError failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no DbError";
    return DbError("");
}

TEST(ServerDatabase, RefusalsSayWhyInSpanishWithTheServersText) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "QUINTALEVA_TEST_PG names no server";
    TestDatabase other;
    // An empty database, or another program's, is not opened and gets no tables of ours.
    const DbError notOurs = failure([&] { other.open(); });
    EXPECT_EQ(notOurs.code(), 0);
    EXPECT_NE(std::string(notOurs.what()).find("no es una base de datos de Quintaleva 2"), std::string::npos);
    {
        auto db = other.create();
        EXPECT_FALSE(db->hasTable("NoExiste"));
        EXPECT_TRUE(db->hasTable("Documentos"));
        EXPECT_TRUE(db->hasIndex("Documentos_Folio"));
    }
    // Made once only.
    EXPECT_THROW(other.create(), DbError);
    EXPECT_NO_THROW(other.open());

    // A server that does not answer: its own text after a Spanish lead, and the code of a server.
    std::string down = other.location();
    const std::size_t port = down.find("port=");
    ASSERT_NE(port, std::string::npos);
    down.replace(port, down.find('&', port) - port, "port=1");
    const DbError unreachable = failure([&] { Database::open(down, "secreta"); });
    EXPECT_EQ(unreachable.code(), DbError::kServer);
    const std::string text = DbErrorText(unreachable);
    EXPECT_EQ(text.rfind("No se pudo comunicar con el servidor", 0), 0u) << text;
    EXPECT_EQ(text.find("secreta"), std::string::npos);
}

TEST(ServerDatabase, NamesAndTextsReadBackAsTheyWereWritten) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "QUINTALEVA_TEST_PG names no server";
    TestDatabase server;
    auto db = server.create();
    db->execute("INSERT INTO Formatos (Nombre, Detalle, Caben, Observaciones) VALUES (?, ?, ?, ?)",
                {std::string("Ñandú 'uno' ?"), Blob{0, 1, 0xFF, '\\', 'x'}, std::int64_t{1} << 40, 1.5});
    const std::int64_t id = db->lastInsertId();
    Statement st = db->prepare("SELECT Nombre, Detalle, Caben, Observaciones, 2.5 AS Mitad, Id_Formato > 0 AS Hay "
                               "FROM Formatos WHERE Id_Formato = ?");
    st.bind(1, id);
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.columnName(0), "Nombre");
    EXPECT_EQ(st.columnName(4), "Mitad");
    EXPECT_EQ(st.text(0), "Ñandú 'uno' ?");
    EXPECT_EQ(std::get<Blob>(st.column(1)), (Blob{0, 1, 0xFF, '\\', 'x'}));
    EXPECT_EQ(st.integer(2), std::int64_t{1} << 40);
    EXPECT_EQ(st.text(3), "1.5");
    EXPECT_DOUBLE_EQ(std::get<double>(st.column(4)), 2.5);
    EXPECT_EQ(std::get<std::int64_t>(st.column(5)), 1);
    // fold() and the collations behave as the file's.
    Statement folded = db->prepare("SELECT fold('ÁÉÍÓÚÜÑ áéíóúüñ Zz'), 'perez' = 'Pérez' COLLATE ES, "
                                   "'n' < 'ñ' COLLATE ES, 'ñ' < 'o' COLLATE ES, 'S001' = 's001' COLLATE NOCASE");
    ASSERT_TRUE(folded.step());
    EXPECT_EQ(folded.text(0), "aeiouun aeiouun zz");
    EXPECT_EQ(folded.integer(1), 0) << "deterministic: equal only byte for byte";
    EXPECT_EQ(folded.integer(2), 1);
    EXPECT_EQ(folded.integer(3), 1);
    EXPECT_EQ(folded.integer(4), 1);
}

// The document lists order with empty series first, as the file does; the server must read their
// first page from the index rather than sort the whole table (53 ms instead of 0.1 on 100,000).
TEST(ServerDatabase, TheDocumentListsReadTheirFirstPageFromAnIndex) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "QUINTALEVA_TEST_PG names no server";
    TestDatabase server;
    auto db = server.create();
    db->execute("INSERT INTO Documentos (Serie, Folio, Pagado, Cancelada) "
                "SELECT CASE WHEN g % 10 = 0 THEN NULL ELSE 'A' END, g, g % 2, 0 FROM generate_series(1, 20000) g");
    db->execute("ANALYZE Documentos");
    for (const std::string where : {"", " WHERE (Pagado = 0 AND Cancelada = 0)"}) {
        for (const std::string direction : {" ASC NULLS FIRST", " DESC NULLS LAST"}) {
            Statement plan = db->prepare("EXPLAIN SELECT Id_Documento, Nombre FROM Documentos" + where + " ORDER BY Serie" +
                                         direction + ", Folio" + direction + ", Fecha" + direction + ", Id_Documento" +
                                         direction + " LIMIT 100");
            std::string text;
            while (plan.step())
                text += plan.text(0) + "\n";
            EXPECT_NE(text.find("Presorted Key: serie, folio, fecha"), std::string::npos) << where << direction << "\n" << text;
        }
    }
}

// On a server the catalogues' order is the collation's own index; far jumps from sampled keys land
// where the server's ORDER BY puts the row.
TEST(ServerDatabase, CataloguesReadTheirOrderFromAnIndexAndJumpFar) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "QUINTALEVA_TEST_PG names no server";
    TestDatabase server;
    auto db = server.create();
    db->execute("INSERT INTO Clientes (Nombre) SELECT CASE WHEN g % 50 = 0 THEN NULL ELSE "
                "(CASE g % 5 WHEN 0 THEN 'Núñez' WHEN 1 THEN 'nunez' WHEN 2 THEN 'Ñandú' WHEN 3 THEN 'Óscar' ELSE 'oso' END) "
                "|| (g % 97) END "
                "FROM generate_series(1, 20000) g");
    db->execute("ANALYZE Clientes");
    const std::vector<KeysetOrder> order = CatalogOrder::listOrder(*db, "Clientes", "Nombre");
    ASSERT_TRUE(order.front().spanish);
    for (const std::string direction : {" ASC NULLS FIRST", " DESC NULLS LAST"}) {
        Statement plan = db->prepare("EXPLAIN SELECT Id_Cliente, Nombre FROM Clientes ORDER BY Nombre COLLATE ES" +
                                     direction + ", Id_Cliente" + direction + " LIMIT 100");
        std::string text;
        while (plan.step())
            text += plan.text(0) + "\n";
        EXPECT_NE(text.find("clientes_orden"), std::string::npos) << direction << "\n" << text;
        EXPECT_EQ(text.find("Sort"), std::string::npos) << direction << "\n" << text;
    }
    Statement all = db->prepare("SELECT Id_Cliente FROM Clientes ORDER BY Nombre COLLATE ES NULLS FIRST, Id_Cliente");
    std::vector<std::int64_t> expected;
    while (all.step())
        expected.push_back(all.integer(0));
    KeysetPager pager(*db, {"Clientes", {"Nombre"}, {}, {}, order, "Id_Cliente"}, 10 * KeysetPager::kPage, 1000);
    ASSERT_EQ(pager.count(), 20000);
    for (long p : {15000L, 4096L, 10001L, 2000L, 17777L})
        EXPECT_EQ(std::get<std::int64_t>(pager.key(*pager.row(p))), expected[static_cast<std::size_t>(p)]) << p;
}

std::int64_t count(Database& db, const std::string& sql) {
    Statement st = db.prepare(sql);
    st.step();
    return st.integer(0);
}

// A connection lost at COMMIT leaves it unknown whether the server stored the transaction: it is
// a failure either way, the transaction object ends quietly, and the next statement reconnects.
TEST(ServerDatabase, AConnectionLostAtCommitIsAFailureWhetherOrNotTheServerStoredIt) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "QUINTALEVA_TEST_PG names no server";
    TestDatabase server;
    auto db = server.create();
    auto watcher = server.open();
    // Runs at COMMIT, before the transaction is stored, and ends its own session.
    watcher->execute("CREATE FUNCTION corta_al_confirmar() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL; END $$");
    watcher->execute("CREATE CONSTRAINT TRIGGER corta AFTER INSERT ON Clientes DEFERRABLE INITIALLY DEFERRED "
                     "FOR EACH ROW EXECUTE FUNCTION corta_al_confirmar()");
    auto commitFails = [&](const std::string& nombre) {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES (?)", {nombre});
        const DbError e = failure([&] { tx.commit(); });
        EXPECT_EQ(e.code(), DbError::kServer) << e.what();
        EXPECT_NE(std::string(e.what()).find("whether the server stored it is not known"), std::string::npos) << e.what();
        EXPECT_EQ(DbErrorText(e).rfind("No se pudo comunicar con el servidor", 0), 0u);
    };
    commitFails("Uno");
    EXPECT_EQ(count(*watcher, "SELECT count(*) FROM Clientes"), 0);

    // The same Database goes on: a read and a whole transaction on a new session.
    watcher->execute("DROP TRIGGER corta ON Clientes");
    EXPECT_EQ(count(*db, "SELECT count(*) FROM Clientes"), 0);
    {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Dos')");
        tx.commit();
    }
    EXPECT_EQ(count(*watcher, "SELECT count(*) FROM Clientes"), 1);

    // Stored, but the reply never came: still a failure, and the stored row stays.
    PgConnection::loseNextCommitReply();
    commitFails("Tres");
    EXPECT_EQ(count(*watcher, "SELECT count(*) FROM Clientes WHERE Nombre = 'Tres'"), 1);
    {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Cuatro')");
        tx.commit();
    }
    EXPECT_EQ(count(*db, "SELECT count(*) FROM Clientes"), 3);
    // A transaction given up after the lost reply rolls back as ever.
    {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Cinco')");
    }
    EXPECT_EQ(count(*watcher, "SELECT count(*) FROM Clientes"), 3);
}

} // namespace
