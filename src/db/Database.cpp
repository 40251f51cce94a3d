#include "db/Database.h"

#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/KeyIndexes.h"
#include "db/Schema.h"
#include "db/SpanishText.h"
#include "db/Transaction.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

int spanishCollation(void*, int na, const void* a, int nb, const void* b) {
    return SpanishText::compare({static_cast<const char*>(a), static_cast<std::size_t>(na)},
                                {static_cast<const char*>(b), static_cast<std::size_t>(nb)});
}

void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string folded = SpanishText::fold({text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))});
    sqlite3_result_text(ctx, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

} // namespace

Database::Database(sqlite3* handle, std::string path) : m_db(handle), m_path(std::move(path)) {}

Database::~Database() { sqlite3_close_v2(m_db); }

sqlite3* Database::openHandle(const std::string& path, int flags) {
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        const std::string message = handle ? sqlite3_errmsg(handle) : "out of memory";
        const int code = handle ? sqlite3_extended_errcode(handle) : SQLITE_NOMEM;
        sqlite3_close_v2(handle);
        throw DbError(message, code);
    }
    sqlite3_extended_result_codes(handle, 1);
    return handle;
}

void Database::configure() {
    sqlite3_busy_timeout(m_db, 5000);
    // Every column name is written in double quotes; without this a misspelt or missing column
    // would be read as a text literal instead of failing (and the check of our columns in
    // verify() would pass on a file that lacks one).
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_collation(m_db, "ES", SQLITE_UTF8, nullptr, spanishCollation);
    sqlite3_create_function(m_db, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, foldFunction, nullptr,
                            nullptr);
    execute("PRAGMA foreign_keys = ON");
}

void Database::verify() {
    // The first read of a file that is not a database fails here with the engine's own text.
    Statement appId(m_db, "PRAGMA application_id");
    appId.step();
    if (appId.integer(0) != Schema::kApplicationId)
        throw DbError("El archivo \"" + m_path + "\" no es una base de datos de Quintaleva 2.");
    if (sqlite3_db_readonly(m_db, "main") == 1)
        throw DbError("attempt to write a readonly database: \"" + m_path + "\"", SQLITE_READONLY);
    // Every table and column we bind must be there; the engine names what is missing.
    for (const TableDef& t : Schema::tables()) {
        std::string sql = "SELECT ";
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            sql += (i ? ", \"" : "\"") + t.columns[i].name + "\"";
        Statement probe(m_db, sql + " FROM \"" + t.name + "\" LIMIT 1");
        probe.step();
    }
}

std::unique_ptr<Database> Database::open(const std::string& path, const std::string& password) {
    (void)password;
    if (DatabaseLocation::isServer(path))
        throw DbError("Esta versión del programa no puede abrir una base de datos en un servidor: \"" +
                      DatabaseLocation::withoutPassword(path) + "\"");
    if (!std::filesystem::is_regular_file(path))
        throw DbError("unable to open database file: \"" + path + "\"", SQLITE_CANTOPEN);
    // A file we may not write is refused before the engine touches it: reading a WAL-mode file
    // creates its -wal and -shm files, which would outlive the refusal with the file's
    // permissions and make every later save fail once the file is writable again.
    if (std::FILE* probe = std::fopen(path.c_str(), "r+b"))
        std::fclose(probe);
    else
        throw DbError("attempt to write a readonly database: \"" + path + "\"", SQLITE_READONLY);
    std::unique_ptr<Database> db(new Database(openHandle(path, SQLITE_OPEN_READWRITE), path));
    db->configure();
    db->verify();
    Statement wal(db->m_db, "PRAGMA journal_mode = WAL");
    wal.step();
    wal.reset();
    // Files made before the unique keys of documents and payments get them now.
    KeyIndexes::addWhereAllowed(*db);
    return db;
}

std::unique_ptr<Database> Database::create(const std::string& path, const std::function<void(Database&)>& seed) {
    namespace fs = std::filesystem;
    if (DatabaseLocation::isServer(path))
        throw DbError("Esta versión del programa no puede crear una base de datos en un servidor: \"" +
                      DatabaseLocation::withoutPassword(path) + "\"");
    if (fs::exists(path))
        throw DbError("El archivo \"" + path + "\" ya existe.");
    const std::string temp = path + ".nuevo-" + std::to_string(::getpid());
    fs::remove(temp);
    try {
        std::unique_ptr<Database> db(new Database(openHandle(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), temp));
        db->configure();
        db->execute("PRAGMA application_id = " + std::to_string(Schema::kApplicationId));
        {
            Transaction tx(*db);
            Schema::create(*db);
            if (seed)
                seed(*db);
            tx.commit();
        }
        db.reset();
        std::error_code ec;
        fs::rename(temp, path, ec);
        if (ec)
            throw DbError(ec.message() + ": \"" + path + "\"", SQLITE_CANTOPEN);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    return open(path);
}

int Database::execute(const std::string& sql, const std::vector<DbValue>& params) {
    Statement st(m_db, sql);
    st.bindAll(params);
    return st.execute();
}

Statement Database::prepare(const std::string& sql) { return Statement(m_db, sql); }

std::int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
