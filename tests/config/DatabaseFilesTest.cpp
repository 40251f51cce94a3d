#include "config/DatabaseFiles.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "support/ScratchDir.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace {

// A database with a little of everything: an article, a customer, a document with a line and a
// payment, an extra tax and a format.
// It is on the test server when there is one: its backup and new database are files all the same.
std::unique_ptr<Database> Filled(const TestDatabase& where) {
    auto db = where.create();
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

// Names in the folder that look like a temporary file of ours.
std::vector<std::string> Temporaries(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().find(".tmp") != std::string::npos)
            found.push_back(e.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

// The id of a process that has ended (and been reaped), as a killed program's would be.
pid_t GonePid() {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

const char* const kTables[] = {"Articulos", "Clientes", "Documentos", "Detalles", "Cobros",
                               "Impuestos", "Formatos", "General", "CamposExtras"};

} // namespace

TEST(DatabaseFiles, BackupEqualsTheSourceAndReplacesAnOldTarget) {
    TestDatabase used("uso");
    const ScratchDir& dir = used.dir();
    auto db = Filled(used);
    const std::string target = dir.file("respaldo.mdb");
    ScratchDir::writeAll(target, "un respaldo anterior");

    EXPECT_EQ(CDatabaseFiles::Backup(*db, target), "");
    auto copy = Database::open(target);
    for (const char* t : kTables)
        EXPECT_EQ(RowCount(*copy, t), RowCount(*db, t)) << t;
    // Only the target is left in the folder besides the database in use and its journal.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST(DatabaseFiles, InterruptedBackupLeavesTheOldTarget) {
    TestDatabase used("uso");
    const ScratchDir& dir = used.dir();
    auto db = Filled(used);
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
    if (!TestDatabase::onServer()) {
        EXPECT_EQ(CDatabaseFiles::Backup(*db, db->path()), CDatabaseFiles::kMsgSameFile);
    }
    EXPECT_EQ(RowCount(*db, "Articulos"), 1);
}

TEST(DatabaseFiles, NewDatabaseKeepsAllButArticlesCustomersAndDocuments) {
    TestDatabase used("uso");
    const ScratchDir& dir = used.dir();
    auto db = Filled(used);
    const std::string target = dir.file("nueva.mdb");

    // An existing target survives an interruption whole, and is replaced when the run completes.
    ScratchDir::writeAll(target, "archivo anterior");
    EXPECT_NE(CDatabaseFiles::CreateEmpty(*db, target, [](const std::string&) { throw DbError("disco lleno"); }), "");
    EXPECT_EQ(ScratchDir::readAll(target), "archivo anterior");

    EXPECT_EQ(CDatabaseFiles::CreateEmpty(*db, target), "");
    auto fresh = Database::open(target);
    for (const char* t : {"Articulos", "Clientes", "Documentos", "Detalles", "Cobros"})
        EXPECT_EQ(RowCount(*fresh, t), 0) << t;
    for (const char* t : {"Impuestos", "Formatos", "General", "CamposExtras"})
        EXPECT_EQ(RowCount(*fresh, t), RowCount(*db, t)) << t;
    Statement s = fresh->prepare("SELECT Nombre FROM General");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.text(0), "Papelería");
    // The database in use is as it was.
    EXPECT_EQ(RowCount(*db, "Documentos"), 1);
    EXPECT_EQ(RowCount(*db, "Cobros"), 1);
    if (!TestDatabase::onServer()) {
        EXPECT_EQ(CDatabaseFiles::CreateEmpty(*db, db->path()), CDatabaseFiles::kMsgSameFile);
    }
}

TEST(DatabaseFiles, StaleTemporariesOfAKilledRunGoAndNoneIsLeftOnAnError) {
    TestDatabase used("uso");
    const ScratchDir& dir = used.dir();
    auto db = Filled(used);
    // A backup and a new database killed mid-way, each with its journals; and one of a program still
    // running (this test's parent), which is left alone.
    const std::string dead = std::to_string(GonePid());
    const std::string running = std::to_string(::getppid());
    for (const std::string& name : {".respaldo.mdb.tmp" + dead + "-123456", ".respaldo.mdb.tmp" + dead + "-123456-wal",
                                    ".respaldo.mdb.tmp" + dead + "-123456-shm", ".nueva.mdb.tmp" + dead + "-42",
                                    ".otra.mdb.tmp" + running + "-7"})
        ScratchDir::writeAll(dir.file(name), "restos");
    ScratchDir::writeAll(dir.file(".mio.tmp"), "no es nuestro");

    EXPECT_EQ(CDatabaseFiles::Backup(*db, dir.file("respaldo.mdb")), "");
    EXPECT_EQ(Temporaries(dir.path()), (std::vector<std::string>{".mio.tmp", ".otra.mdb.tmp" + running + "-7"}));

    // A new database that fails after its copy was opened and written: nothing of it is left.
    std::string temp;
    EXPECT_NE(CDatabaseFiles::CreateEmpty(*db, dir.file("nueva.mdb"), [&](const std::string& t) {
        temp = t;
        throw DbError("disco lleno");
    }), "");
    EXPECT_NE(temp.find(".nueva.mdb.tmp" + std::to_string(::getpid()) + "-"), std::string::npos) << temp;
    EXPECT_EQ(Temporaries(dir.path()), (std::vector<std::string>{".mio.tmp", ".otra.mdb.tmp" + running + "-7"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("nueva.mdb")));
}

TEST(DatabaseFiles, ErrorsNameTheTargetNotTheTemporaryFile) {
    TestDatabase used("uso");
    const ScratchDir& dir = used.dir();
    auto db = Filled(used);
    // A folder where the operator named the file: the final rename fails.
    const std::string target = dir.file("respaldo.mdb");
    std::filesystem::create_directories(target + "/dentro");
    const std::string message = CDatabaseFiles::Backup(*db, target);
    EXPECT_EQ(message.rfind("No se pudo escribir el archivo " + target + ": ", 0), 0u) << message;
    EXPECT_EQ(message.find(".tmp"), std::string::npos) << message;

    // The engine's text names the file it failed on: ours is put back as the target.
    const std::string other = dir.file("otro.mdb");
    const std::string engine = CDatabaseFiles::Backup(*db, other, [](const std::string& t) {
        throw DbError("unable to open database file: " + t);
    });
    EXPECT_EQ(engine, "No se pudo escribir el archivo " + other + ": unable to open database file: " + other);
    EXPECT_EQ(CDatabaseFiles::InUse(*db, dir.file("./uso.mdb")), !TestDatabase::onServer());
    EXPECT_FALSE(CDatabaseFiles::InUse(*db, other));
}

namespace {

// Runs SQL on a server database as its technician would, outside the program.
void OnServer(const std::string& location, const std::string& sql) {
    PGconn* conn = PQconnectdb(location.c_str());
    ASSERT_EQ(PQstatus(conn), CONNECTION_OK) << PQerrorMessage(conn);
    PGresult* r = PQexec(conn, sql.c_str());
    EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQresultErrorMessage(r);
    PQclear(r);
    PQfinish(conn);
}

std::string Refusal(Database& db, const std::string& location) {
    try {
        CDatabaseFiles::CreateEmptyOnServer(db, location);
    } catch (const DbError& e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(DatabaseFiles, NewDatabaseOnAnEmptyServerDatabaseAndNeverOverAnother) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "the new database is written into a server database";
    TestDatabase used("uso");
    auto db = Filled(used);
    TestDatabase target("nueva");
    std::vector<std::string> progressed;
    CDatabaseFiles::CreateEmptyOnServer(*db, target.location(), {},
                                        [&](const std::string& table, std::int64_t, std::int64_t) {
                                            progressed.push_back(table);
                                        });
    EXPECT_FALSE(progressed.empty());
    {
        auto fresh = target.open();
        for (const char* t : {"Articulos", "Clientes", "Documentos", "Detalles", "Cobros"})
            EXPECT_EQ(RowCount(*fresh, t), 0) << t;
        for (const char* t : {"Impuestos", "Formatos", "General", "CamposExtras"})
            EXPECT_EQ(RowCount(*fresh, t), RowCount(*db, t)) << t;
        // Ready for work: new rows are numbered after the copied ones.
        fresh->execute("INSERT INTO Impuestos (Nombre, Porcentaje) VALUES ('Nuevo', 1)");
        fresh->execute("INSERT INTO Clientes (Nombre) VALUES ('Ana')");
    }
    EXPECT_EQ(RowCount(*db, "Documentos"), 1);

    // A database of ours is not written over; another program's is not ours to fill.
    EXPECT_NE(Refusal(*db, target.location()).find("ya tiene tablas de Quintaleva 2"), std::string::npos);
    EXPECT_EQ(RowCount(*target.open(), "Clientes"), 1);
    TestDatabase foreign("ajena");
    OnServer(foreign.location(), "CREATE TABLE ventas (id integer)");
    EXPECT_NE(Refusal(*db, foreign.location()).find("no es una base de datos de Quintaleva 2"), std::string::npos);
    EXPECT_THROW(foreign.open(), DbError); // still not marked as ours

    // A server that is down: its own words, and no copy left behind in the temporary folder.
    EXPECT_NE(Refusal(*db, "postgresql://nadie@127.0.0.1:1/nada").find("127.0.0.1"), std::string::npos);
    const std::string ours = ".nueva.mdb.tmp" + std::to_string(::getpid()) + "-";
    for (const std::string& name : Temporaries(std::filesystem::temp_directory_path()))
        EXPECT_NE(name.rfind(ours, 0), 0u) << name;
}

TEST(DatabaseFiles, CompactingAServerDatabaseIsItsOwnMaintenance) {
    TestDatabase used("uso");
    auto db = Filled(used);
    db->execute("DELETE FROM Documentos");
    std::int64_t lastDone = -1, lastTotal = -1;
    EXPECT_EQ(CDatabaseFiles::Compact(*db, [&](const std::string&, std::int64_t done, std::int64_t total) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        lastTotal = total;
    }), "");
    if (!TestDatabase::onServer()) {
        // A file is compacted into its backups; nothing to do in place.
        EXPECT_EQ(lastDone, -1);
        return;
    }
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_GE(lastTotal, 9);
    Statement s = db->prepare("SELECT count(*) FROM pg_catalog.pg_stat_user_tables "
                              "WHERE relname = 'documentos' AND last_vacuum IS NOT NULL AND last_analyze IS NOT NULL");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.integer(0), 1);
    // The rows other stations add meanwhile are there afterwards.
    db->execute("INSERT INTO Documentos (Folio) VALUES (2)");
    EXPECT_EQ(RowCount(*db, "Documentos"), 1);
}
