#include "config/DatabaseBackup.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "support/LocalTime.h"
#include "support/QueryCount.h"
#include "support/ScratchDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<Database> WithADocument(const TestDatabase& where) {
    auto db = where.create();
    db->execute("INSERT INTO Clientes (Nombre) VALUES ('O''Higgins')");
    db->execute("INSERT INTO Documentos (Folio) VALUES (1)");
    const std::int64_t doc = db->lastInsertId();
    db->execute("INSERT INTO Detalles (Id_Documento, Renglon, Clave) VALUES (?, 1, 'A1')", {doc});
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 5)", {doc});
    return db;
}

} // namespace

TEST(DatabaseBackup, NamesFollowTheDatabaseAndTheExactStamp) {
    EXPECT_EQ(CDatabaseBackup::NameOf("/datos/mi tienda.mdb"), "mi tienda");
    EXPECT_EQ(CDatabaseBackup::NameOf("postgresql://tienda@127.0.0.1:5432/sucursal"), "sucursal");
    const std::string name = CDatabaseBackup::FileName("tienda", LocalTime(2026, 3, 5, 7, 8, 9));
    EXPECT_EQ(name, "tienda-20260305-070809.mdb");
    EXPECT_TRUE(CDatabaseBackup::IsBackupOf(name, "tienda"));
    // Another database whose name starts alike, and files that only look like backups.
    for (const char* other : {"tienda-2-20260305-070809.mdb", "tiendas-20260305-070809.mdb", "tienda-20260305-070809.mdb.bak",
                              "tienda-2026030-5070809.mdb", "tienda-20260305-07080x.mdb", "tienda-20260305-070809.MDB",
                              "tienda.mdb", ".tienda-20260305-070809.mdb.tmp12-3"})
        EXPECT_FALSE(CDatabaseBackup::IsBackupOf(other, "tienda")) << other;
    EXPECT_TRUE(CDatabaseBackup::IsBackupOf("tienda-2-20260305-070809.mdb", "tienda-2"));

    EXPECT_EQ(CDatabaseBackup::ParseKeep("30"), 30);
    EXPECT_EQ(CDatabaseBackup::ParseKeep("1"), 1);
    for (const char* bad : {"0", "-3", "", "tres", "3x", " 3", "99999999999"})
        EXPECT_FALSE(CDatabaseBackup::ParseKeep(bad)) << bad;
}

TEST(DatabaseBackup, KeepsTheNewestOfThisDatabaseAndTouchesNothingElse) {
    TestDatabase used("tienda");
    // A server names its backups after its database, a file after itself.
    const std::string n = CDatabaseBackup::NameOf(used.location());
    auto db = WithADocument(used);
    ScratchDir folder;
    // Five older backups of ours, written out of order, and what else the folder holds.
    for (const std::string& old : {n + "-20250103-000000.mdb", n + "-20250101-120000.mdb", n + "-20250105-235959.mdb",
                            n + "-20250102-000000.mdb", n + "-20250104-000000.mdb"})
        ScratchDir::writeAll(folder.file(old), "viejo");
    const std::vector<std::string> others = {"notas.txt", "otra-20240101-000000.mdb", n + "-2-20240101-000000.mdb",
                                             n + "-copia.mdb", n + ".mdb"};
    for (const std::string& other : others)
        ScratchDir::writeAll(folder.file(other), "ajeno");
    fs::create_directory(folder.file(n + "-20240101-000000.mdb")); // not a file: not a backup

    EXPECT_FALSE(CDatabaseBackup::Run(*db, folder.path().string(), 0).error.empty());
    const std::time_t now = LocalTime(2026, 1, 2, 3, 4, 5);
    const CDatabaseBackup::Result r = CDatabaseBackup::Run(*db, folder.path().string(), 3, now);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.file, folder.file(n + "-20260102-030405.mdb"));
    EXPECT_EQ(r.removed, (std::vector<std::string>{folder.file(n + "-20250101-120000.mdb"),
                                                   folder.file(n + "-20250102-000000.mdb"),
                                                   folder.file(n + "-20250103-000000.mdb")}));
    std::vector<std::string> expected = others;
    expected.insert(expected.end(), {n + "-20240101-000000.mdb", n + "-20250104-000000.mdb",
                                     n + "-20250105-235959.mdb", n + "-20260102-030405.mdb"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ScratchDir::names(folder.path()), expected);

    // A clock set back: the new backup sorts oldest and is still kept.
    const CDatabaseBackup::Result back = CDatabaseBackup::Run(*db, folder.path().string(), 1, LocalTime(2020, 1, 1, 0, 0, 0));
    ASSERT_EQ(back.error, "");
    EXPECT_TRUE(fs::exists(back.file));
    EXPECT_FALSE(fs::exists(r.file));
    // The same second twice: refused, the first one kept.
    EXPECT_NE(CDatabaseBackup::Run(*db, folder.path().string(), 1, LocalTime(2020, 1, 1, 0, 0, 0)).error, "");
    EXPECT_TRUE(fs::exists(back.file));
}

TEST(DatabaseBackup, AFailedBackupDeletesNothingAndLeavesNoFile) {
    TestDatabase used("tienda");
    // A server names its backups after its database, a file after itself.
    const std::string n = CDatabaseBackup::NameOf(used.location());
    auto db = WithADocument(used);
    ScratchDir folder;
    ScratchDir::writeAll(folder.file(n + "-20250101-000000.mdb"), "viejo");
    ScratchDir::writeAll(folder.file(n + "-20250102-000000.mdb"), "viejo");
    const auto before = ScratchDir::names(folder.path());

    const CDatabaseBackup::Result r = CDatabaseBackup::Run(*db, folder.path().string(), 1, std::time(nullptr),
                                                           [](const std::string&) { throw std::runtime_error("disco lleno"); });
    EXPECT_NE(r.error.find("disco lleno"), std::string::npos) << r.error;
    EXPECT_TRUE(r.removed.empty());
    EXPECT_EQ(ScratchDir::names(folder.path()), before);

    // A folder that cannot be made, and one that cannot be written (root writes anywhere).
    const std::string file = folder.file(n + "-20250101-000000.mdb");
    EXPECT_NE(CDatabaseBackup::Run(*db, file + "/respaldos", 1).error, "");
    if (::geteuid() != 0) {
        ::chmod(folder.path().c_str(), 0555);
        EXPECT_NE(CDatabaseBackup::Run(*db, folder.path().string(), 1).error, "");
        ::chmod(folder.path().c_str(), 0755);
    }
    EXPECT_EQ(ScratchDir::names(folder.path()), before);
}

TEST(DatabaseBackup, TheCopyHoldsWhatTheOriginHoldsWhileAnotherConnectionWrites) {
    TestDatabase used("tienda");
    auto db = WithADocument(used);
    ScratchDir folder;
    // The program has the file open and is half-way through saving a document.
    auto program = Database::open(used.location());
    program->execute("BEGIN");
    program->execute("INSERT INTO Documentos (Folio) VALUES (2)");

    const CDatabaseBackup::Result r = CDatabaseBackup::Run(*db, folder.path().string());
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.tables, static_cast<int>(Schema::tables().size()));
    program->execute("COMMIT");

    auto copy = Database::open(r.file);
    for (const TableDef& t : Schema::tables()) {
        if (t.name != "Documentos") {
            EXPECT_EQ(RowCount(*copy, t.name), RowCount(*db, t.name)) << t.name;
        }
    }
    // Only what was committed when the backup was taken.
    EXPECT_EQ(RowCount(*copy, "Documentos"), 1);
    EXPECT_EQ(RowCount(*db, "Documentos"), 2);
    EXPECT_EQ(RowCount(*copy, "Clientes"), 1);
}
