#include "config/DatabaseFiles.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace {

std::int64_t Count(Database& db, const std::string& table) {
    Statement s = db.prepare("SELECT COUNT(*) FROM " + table);
    s.step();
    return s.integer(0);
}

// A database with a little of everything: an article, a customer, a document with a line and a
// payment, an extra tax and a format.
std::unique_ptr<Database> Filled(const std::string& path) {
    auto db = Database::create(path);
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio) VALUES ('A1', 'Uno', 10)");
    db->execute("INSERT INTO Clientes (Nombre) VALUES ('O''Higgins')");
    db->execute("INSERT INTO Documentos (Folio) VALUES (1)");
    const std::int64_t doc = db->lastInsertId();
    db->execute("INSERT INTO Detalles (Id_Documento, Renglon, Clave) VALUES (?, 1, 'A1')", {doc});
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 5)", {doc});
    db->execute("INSERT INTO Impuestos (Nombre, Porcentaje) VALUES ('IVA 15.00 %', 15)");
    db->execute("INSERT INTO Formatos (Nombre, Caben) VALUES ('Mio', 20)");
    db->execute("UPDATE General SET Nombre = 'Papelería'");
    db->execute("UPDATE CamposExtras SET Nombre = 'Color' WHERE Consec = 1");
    return db;
}

const char* const kTables[] = {"Articulos", "Clientes", "Documentos", "Detalles", "Cobros",
                               "Impuestos", "Formatos", "General", "CamposExtras"};

} // namespace

TEST(DatabaseFiles, BackupEqualsTheSourceAndReplacesAnOldTarget) {
    ScratchDir dir;
    auto db = Filled(dir.file("uso.mdb"));
    const std::string target = dir.file("respaldo.mdb");
    ScratchDir::writeAll(target, "un respaldo anterior");

    EXPECT_EQ(CDatabaseFiles::Backup(*db, target), "");
    auto copy = Database::open(target);
    for (const char* t : kTables)
        EXPECT_EQ(Count(*copy, t), Count(*db, t)) << t;
    // Only the target is left in the folder besides the database in use and its journal.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST(DatabaseFiles, InterruptedBackupLeavesTheOldTarget) {
    ScratchDir dir;
    auto db = Filled(dir.file("uso.mdb"));
    const std::string target = dir.file("respaldo.mdb");
    ScratchDir::writeAll(target, "un respaldo anterior");
    std::string temp;
    const std::string message = CDatabaseFiles::Backup(*db, target, [&](const std::string& t) {
        temp = t;
        EXPECT_EQ(std::filesystem::path(t).parent_path(), dir.path()); // same folder: rename is atomic
        throw std::runtime_error("interrumpido");
    });
    EXPECT_NE(message.find("interrumpido"), std::string::npos);
    EXPECT_EQ(ScratchDir::readAll(target), "un respaldo anterior");
    EXPECT_FALSE(std::filesystem::exists(temp));

    // A folder that does not exist: a message, no exception.
    EXPECT_NE(CDatabaseFiles::Backup(*db, dir.file("no/existe.mdb")), "");
    // Never over the database in use.
    EXPECT_EQ(CDatabaseFiles::Backup(*db, db->path()), CDatabaseFiles::kMsgSameFile);
    EXPECT_EQ(Count(*db, "Articulos"), 1);
}

TEST(DatabaseFiles, NewDatabaseKeepsAllButArticlesCustomersAndDocuments) {
    ScratchDir dir;
    auto db = Filled(dir.file("uso.mdb"));
    const std::string target = dir.file("nueva.mdb");

    // An existing target survives an interruption whole, and is replaced when the run completes.
    ScratchDir::writeAll(target, "archivo anterior");
    EXPECT_NE(CDatabaseFiles::CreateEmpty(*db, target, [](const std::string&) { throw DbError("disco lleno"); }), "");
    EXPECT_EQ(ScratchDir::readAll(target), "archivo anterior");

    EXPECT_EQ(CDatabaseFiles::CreateEmpty(*db, target), "");
    auto fresh = Database::open(target);
    for (const char* t : {"Articulos", "Clientes", "Documentos", "Detalles", "Cobros"})
        EXPECT_EQ(Count(*fresh, t), 0) << t;
    for (const char* t : {"Impuestos", "Formatos", "General", "CamposExtras"})
        EXPECT_EQ(Count(*fresh, t), Count(*db, t)) << t;
    Statement s = fresh->prepare("SELECT Nombre FROM General");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.text(0), "Papelería");
    // The database in use is as it was.
    EXPECT_EQ(Count(*db, "Documentos"), 1);
    EXPECT_EQ(Count(*db, "Cobros"), 1);
    EXPECT_EQ(CDatabaseFiles::CreateEmpty(*db, db->path()), CDatabaseFiles::kMsgSameFile);
}
