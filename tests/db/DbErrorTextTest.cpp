// What the operator reads for the engine's failures: a Spanish sentence that says what happened
// and what to do, then the engine's text. The failures are the engine's own, provoked for real.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

namespace {

// The DbError the operation throws; fails the test when it throws none.
template <class F>
DbError failure(F operation) {
    try {
        operation();
    } catch (const DbError& e) {
        return e;
    }
    ADD_FAILURE() << "no DbError";
    return DbError("");
}

void expectText(const DbError& e, const std::string& lead, const std::string& engine) {
    const std::string text = DbErrorText(e);
    EXPECT_EQ(text.rfind(lead, 0), 0u) << text;
    EXPECT_NE(text.find(engine), std::string::npos) << text;
}

TEST(DbErrorText, TheEngineFailuresGetASpanishLeadAndKeepTheEngineText) {
    ScratchDir dir;
    const std::string path = dir.file("errores.mdb");
    auto db = Database::create(path);

    // Another program holds the write lock past the busy timeout.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const DbError busy = failure([&] { db->execute("UPDATE General SET Moneda = 'DOLARES'"); });
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(IsDbBusy(busy));
    expectText(busy, "La base de datos está ocupada por otro programa; intente de nuevo en unos segundos",
               "database is locked");

    // The file may grow no further: the engine's "disk is full".
    const DbError full = failure([&] {
        Statement count = db->prepare("PRAGMA page_count");
        count.step();
        db->execute("PRAGMA max_page_count = " + std::to_string(count.integer(0)));
        for (int i = 0; i < 1000; ++i)
            db->execute("INSERT INTO Clientes (Nombre) VALUES (?)", {std::string(500, 'x')});
    });
    EXPECT_FALSE(IsDbBusy(full));
    expectText(full, "El disco está lleno", "full");

    // A unique key repeated.
    const DbError repeated = failure([&] {
        db->execute("INSERT INTO Articulos (Clave) VALUES ('A1')");
        db->execute("INSERT INTO Articulos (Clave) VALUES ('a1')");
    });
    expectText(repeated, "La base de datos rechazó los datos", "UNIQUE");
    db.reset();

    // Missing file, and a file whose schema pages are overwritten.
    expectText(failure([&] { Database::open(dir.file("no-existe.mdb")); }), "No se pudo abrir la base de datos",
               "unable to open database file");
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(100);
        const std::string garbage(3000, '\xA5');
        f.write(garbage.data(), std::streamsize(garbage.size()));
    }
    const DbError damaged = failure([&] { Database::open(path); });
    expectText(damaged, "La base de datos está dañada: restaure un respaldo", "malformed");
}

TEST(DbErrorText, OurOwnTextsComeBackAsTheyAre) {
    EXPECT_EQ(DbErrorText(DbError("- Ya existe un artículo con la clave A1 -")),
              "- Ya existe un artículo con la clave A1 -");
    EXPECT_EQ(DbErrorText(std::runtime_error("No se pudo escribir")), "No se pudo escribir");
    EXPECT_FALSE(IsDbBusy(DbError("database is locked")));
}

} // namespace
