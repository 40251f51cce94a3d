// Opening and creating database files: every file that is not a sound database of ours is refused
// with a description, and neither a refused open nor a refused create changes anything on disk.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/GeneralSet.h"
#include "db/Schema.h"
#include "support/ScratchDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Runs SQL on a file with a plain connection of the engine, as another program would.
void rawExecute(const std::string& path, const std::string& sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &handle), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(handle);
}

// Open must throw DbError with some description and leave the bytes of the file as they were.
void expectRefused(const std::string& path, const std::string& mentions = {}) {
    const bool existed = fs::exists(path);
    const bool isFile = fs::is_regular_file(path);
    const std::string before = isFile ? ScratchDir::readAll(path) : std::string();
    try {
        Database::open(path);
        ADD_FAILURE() << "opened " << path;
    } catch (const DbError& e) {
        const std::string what = e.what();
        EXPECT_FALSE(what.empty());
        if (!mentions.empty()) {
            EXPECT_NE(what.find(mentions), std::string::npos) << what;
        }
    }
    EXPECT_EQ(fs::exists(path), existed);
    if (isFile) {
        EXPECT_TRUE(ScratchDir::readAll(path) == before) << "the refused file changed";
    }
}

std::vector<std::string> leftovers(const fs::path& dir, const std::string& keep) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(keep, 0) != 0)
            out.push_back(name);
    }
    return out;
}

TEST(DatabaseFile, CreateThenOpenAgain) {
    ScratchDir dir;
    const std::string path = dir.file("negocio.mdb");
    {
        auto db = Database::create(path);
        EXPECT_EQ(db->path(), path);
        db->execute("UPDATE General SET Nombre = ?", {std::string("Ferretería El Águila")});
    }
    // Only the database itself (and while open, its journal files) is in the folder.
    EXPECT_EQ(leftovers(dir.path(), "negocio.mdb"), std::vector<std::string>{});
    auto db = Database::open(path);
    CGeneralSet general(*db);
    general.Open(OpenType::Snapshot);
    EXPECT_EQ(general.m_Nombre, "Ferretería El Águila");
    Statement mode = db->prepare("PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.text(0), "wal");
}

TEST(DatabaseFile, CreateRefusesAnExistingFileAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string path = dir.file("ya.mdb");
    Database::create(path);
    const std::string before = ScratchDir::readAll(path);
    EXPECT_THROW(Database::create(path), DbError);
    EXPECT_TRUE(ScratchDir::readAll(path) == before);

    const std::string other = dir.file("otro.txt");
    ScratchDir::writeAll(other, "datos de otro programa");
    EXPECT_THROW(Database::create(other), DbError);
    EXPECT_EQ(ScratchDir::readAll(other), "datos de otro programa");

    EXPECT_THROW(Database::create(dir.file("no/existe/nueva.mdb")), DbError);
    EXPECT_FALSE(fs::exists(dir.file("no")));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".nuevo"), std::string::npos) << entry.path();
}

TEST(DatabaseFile, OpenRefusesWhatIsNotOurDatabase) {
    ScratchDir dir;

    expectRefused(dir.file("no-existe.mdb"));
    fs::create_directory(dir.file("carpeta.mdb"));
    expectRefused(dir.file("carpeta.mdb"));

    const std::string empty = dir.file("vacio.mdb");
    ScratchDir::writeAll(empty, "");
    expectRefused(empty);
    EXPECT_EQ(fs::file_size(empty), 0u);

    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "Esto no es una base de datos. ";
    const std::string notDb = dir.file("texto.mdb");
    ScratchDir::writeAll(notDb, text);
    expectRefused(notDb);

    // A sound SQLite file of another program: it lacks our mark.
    const std::string foreign = dir.file("ajeno.mdb");
    rawExecute(foreign, "CREATE TABLE Documentos (x); INSERT INTO Documentos VALUES (1);");
    expectRefused(foreign, "Quintaleva");
}

TEST(DatabaseFile, OpenRefusesOurFileWithATableOrColumnMissing) {
    ScratchDir dir;
    const std::string noTable = dir.file("sin-tabla.mdb");
    Database::create(noTable);
    rawExecute(noTable, "DROP TABLE Formatos;");
    expectRefused(noTable, "Formatos");

    const std::string noColumn = dir.file("sin-columna.mdb");
    Database::create(noColumn);
    rawExecute(noColumn, "ALTER TABLE AuxEdo RENAME COLUMN Saldo TO SaldoViejo;");
    expectRefused(noColumn, "Saldo");
}

// A file the user may not write is refused without leaving -wal/-shm files behind: they would
// keep the refused file's permissions and make every save fail once it is writable again. Run as
// an ordinary user (root writes any file).
TEST(DatabaseFile, OpenRefusesAReadOnlyFileAndLeavesNothingBehind) {
    // Under the system's temporary folder: the build tree may not be reachable by "nobody".
    ScratchDir dir(fs::temp_directory_path());
    ::chmod(dir.path().c_str(), 0755);
    Unprivileged::give(dir.path());
    const std::string path = dir.file("solo-lectura.mdb");
    Database::create(path);  // opened once, so the file is in WAL mode
    Unprivileged::give(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    std::string why;
    const int refused = Unprivileged::run(
        [&] {
            try {
                Database::open(path);
                return 1;
            } catch (const DbError& e) {
                return e.code() == SQLITE_READONLY ? 0 : 2;
            }
        },
        &why);
    if (refused < 0)
        GTEST_SKIP() << why;
    EXPECT_EQ(refused, 0) << "1: opened, 2: refused for another reason";
    EXPECT_FALSE(fs::exists(path + "-wal"));
    EXPECT_FALSE(fs::exists(path + "-shm"));

    // Writable again, the file opens and takes a save.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    const int saved = Unprivileged::run(
        [&] {
            auto db = Database::open(path);
            return db->execute("UPDATE General SET Moneda = ?", {std::string("DÓLARES")}) == 1 ? 0 : 1;
        },
        &why);
    EXPECT_EQ(saved, 0) << why;
}

} // namespace
