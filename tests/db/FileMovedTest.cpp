// A database file moved, renamed, deleted or replaced while a connection has it open: nothing more
// is written anywhere, the operator's message comes back, and no -wal or -shm is left at a path that
// names another file. Also: the .mdb alone is current after every commit.
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/SqliteFile.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/ScratchDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

// The customers' names in a file, read with a plain connection that sees no -wal of another name
// (and, as the last one to close, removes its own).
std::vector<std::string> namesIn(const std::string& path) {
    std::vector<std::string> names;
    sqlite3* handle = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(handle, "SELECT Nombre FROM Clientes ORDER BY Id_Cliente", -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(handle);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(handle);
    return names;
}

std::string integrity(const std::string& path) {
    std::unique_ptr<Database> db = Database::open(path);
    Statement st = db->prepare("PRAGMA integrity_check");
    return st.step() ? st.text(0) : std::string();
}

void addCustomer(Database& db, const std::string& name) {
    Transaction t(db);
    db.execute("INSERT INTO Clientes (Nombre) VALUES (?)", {name});
    t.commit();
}

// Every way of writing is refused with the operator's message.
void expectEveryWriteRefused(Database& db, Statement& held) {
    auto refused = [](const std::function<void()>& write, const char* what) {
        try {
            write();
            ADD_FAILURE() << what << " was not refused";
        } catch (const DbError& e) {
            EXPECT_EQ(e.code(), DbError::kMoved) << what << ": " << e.what();
            EXPECT_EQ(DbErrorText(e), SqliteFile::kMovedMessage) << what;
        }
    };
    refused([&] { addCustomer(db, "Después"); }, "a transaction");
    refused([&] { db.execute("INSERT INTO Clientes (Nombre) VALUES ('Suelto')"); }, "a single statement");
    // A statement prepared before (a list's page) is refused instead of reading a closed handle.
    refused([&] { held.reset(); held.step(); }, "a held statement");
    refused([&] { db.prepare("SELECT 1"); }, "a new statement");
}

// A closed database with one customer, as a technician's backup copy is.
void makeBackup(const std::string& path) {
    Database::create(path);
    std::unique_ptr<Database> db = Database::open(path);
    addCustomer(*db, "Del respaldo");
}

bool hasJournal(const std::string& path) { return fs::exists(path + "-wal") || fs::exists(path + "-shm"); }

class FileMoved : public ::testing::Test {
protected:
    void SetUp() override {
        if (TestDatabase::onServer())
            GTEST_SKIP() << "a server database has no file to move";
    }
};

TEST_F(FileMoved, AFileRenamedWhileOpenTakesEverySavedRowAlongAndRefusesTheNext) {
    ScratchDir dir;
    const std::string path = dir.file("tienda.mdb"), moved = dir.file("otro nombre.mdb");
    Database::create(path);
    std::unique_ptr<Database> db = Database::open(path);
    addCustomer(*db, "Señor Peña");
    db->execute("INSERT INTO Clientes (Nombre) VALUES ('Ana')");
    Statement held = db->prepare("SELECT Nombre FROM Clientes");
    ASSERT_TRUE(held.step());

    fs::rename(path, moved);
    expectEveryWriteRefused(*db, held);
    // Found moved, the connection closed at once: its journal went into the moved file and left
    // the old name, where a new file must not find it.
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(hasJournal(path));
    EXPECT_FALSE(hasJournal(moved));
    EXPECT_EQ(namesIn(moved), (std::vector<std::string>{"Señor Peña", "Ana"}));
    db.reset();
    EXPECT_EQ(integrity(moved), "ok");
}

TEST_F(FileMoved, AFileReplacedOrDeletedWhileOpenIsNeverWrittenAndTheNewFileOpensSound) {
    ScratchDir dir;
    const std::string path = dir.file("tienda.mdb"), copy = dir.file("respaldo.mdb");
    makeBackup(copy);
    Database::create(path);
    std::unique_ptr<Database> db = Database::open(path);
    addCustomer(*db, "De la mañana");
    Statement held = db->prepare("SELECT Nombre FROM Clientes");

    // A technician restores a copy onto the path (mv, or a sync tool's write and rename).
    fs::rename(copy, path);
    expectEveryWriteRefused(*db, held);
    EXPECT_FALSE(hasJournal(path)) << "the open connection's journal would be read into the restored file";
    EXPECT_EQ(namesIn(path), std::vector<std::string>{"Del respaldo"});
    EXPECT_EQ(integrity(path), "ok");
    db.reset();
    EXPECT_EQ(namesIn(path), std::vector<std::string>{"Del respaldo"});
    EXPECT_FALSE(hasJournal(path));

    // Deleted under the program: refused too, and nothing appears at the path.
    db = Database::open(path);
    Statement again = db->prepare("SELECT 1");
    fs::remove(path);
    expectEveryWriteRefused(*db, again);
    db.reset();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(hasJournal(path));
}

TEST_F(FileMoved, TheFileAloneIsCurrentAfterEveryCommitAndAfterClosing) {
    ScratchDir dir;
    const std::string path = dir.file("tienda.mdb"), alone = dir.file("copia.mdb");
    Database::create(path);
    std::unique_ptr<Database> db = Database::open(path);
    // A second station keeps the file open, so that closing ours alone would not checkpoint.
    std::unique_ptr<Database> station = Database::open(path);

    addCustomer(*db, "Primero");
    fs::copy_file(path, alone);
    EXPECT_EQ(namesIn(alone), std::vector<std::string>{"Primero"}) << "the .mdb copied alone lacks the save";
    fs::remove(alone);

    station->execute("INSERT INTO Clientes (Nombre) VALUES ('De la otra estación')");
    fs::copy_file(path, alone);
    EXPECT_EQ(namesIn(alone), (std::vector<std::string>{"Primero", "De la otra estación"}));
    fs::remove(alone);

    // A reader that holds its snapshot keeps a passive checkpoint short; closing brings the file
    // up to date all the same.
    Statement reading = station->prepare("SELECT Nombre FROM Clientes");
    ASSERT_TRUE(reading.step());
    addCustomer(*db, "Tercero");
    reading.reset();
    db.reset();
    fs::copy_file(path, alone);
    EXPECT_EQ(namesIn(alone), (std::vector<std::string>{"Primero", "De la otra estación", "Tercero"}));
    // That last checkpoint wrote the file with no commit: the station still open is not misled
    // into taking it for a file overwritten by something else.
    EXPECT_NO_THROW(addCustomer(*station, "Cuarto"));
    EXPECT_NO_THROW(station->checkStillThere());
}

TEST_F(FileMoved, AFileOverwrittenInPlaceIsNeitherWrittenNorGivenTheOldJournal) {
    ScratchDir dir;
    const std::string path = dir.file("tienda.mdb"), copy = dir.file("respaldo.mdb");
    makeBackup(copy);
    ASSERT_FALSE(hasJournal(copy));
    const std::string restored = ScratchDir::readAll(copy);
    Database::create(path);
    std::unique_ptr<Database> db = Database::open(path);
    addCustomer(*db, "De la mañana");
    Statement held = db->prepare("SELECT Nombre FROM Clientes");
    EXPECT_NO_THROW(db->checkStillThere());

    // `cp respaldo.mdb tienda.mdb`: the same file, other bytes.
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc | std::ios::in);
        out << restored;
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    ASSERT_EQ(before.st_ino, after.st_ino);
    expectEveryWriteRefused(*db, held);
    db.reset();
    EXPECT_FALSE(hasJournal(path));
    EXPECT_EQ(ScratchDir::readAll(path), restored);
    EXPECT_EQ(namesIn(path), std::vector<std::string>{"Del respaldo"});
    EXPECT_EQ(integrity(path), "ok");
}

} // namespace
