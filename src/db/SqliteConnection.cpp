#include "db/SqliteConnection.h"

#include "db/DbError.h"
#include "db/Schema.h"
#include "db/SpanishText.h"
#include "db/SqliteFile.h"
#include "db/SqliteStatement.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <filesystem>

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

namespace {

// `path` as an SQLite URI path: everything but unreserved characters and "/" percent-encoded.
std::string uriPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace

std::unique_ptr<SqliteConnection> SqliteConnection::openForReading(const std::string& path) {
    if (!std::filesystem::is_regular_file(path))
        throw DbError("unable to open database file: \"" + path + "\"", SQLITE_CANTOPEN);
    // A file we may write is read in the ordinary way, beside the program that may be saving in
    // it. One we may not: a WAL file read in place would need its -shm file made beside it (in a
    // folder we may not write either, or left behind with the file's permissions), so it is read
    // as it stands.
    std::FILE* probe = std::fopen(path.c_str(), "r+b");
    const bool writable = probe != nullptr;
    if (probe)
        std::fclose(probe);
    const std::string uri = "file:" + uriPath(path) + (writable ? "?mode=ro" : "?immutable=1");
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(uri.c_str(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        const std::string message = handle ? sqlite3_errmsg(handle) : "out of memory";
        const int code = handle ? sqlite3_extended_errcode(handle) : SQLITE_NOMEM;
        sqlite3_close_v2(handle);
        throw DbError(message, code);
    }
    sqlite3_extended_result_codes(handle, 1);
    std::unique_ptr<SqliteConnection> conn(new SqliteConnection(std::make_shared<SqliteFile>(handle, path)));
    conn->m_readOnly = true;
    sqlite3_busy_timeout(handle, 5000);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_collation(handle, "ES", SQLITE_UTF8, nullptr, spanishCollation);
    sqlite3_create_function(handle, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, foldFunction, nullptr,
                            nullptr);
    return conn;
}

std::unique_ptr<SqliteConnection> SqliteConnection::open(const std::string& path, bool create) {
    if (!create) {
        if (!std::filesystem::is_regular_file(path))
            throw DbError("unable to open database file: \"" + path + "\"", SQLITE_CANTOPEN);
        // A file we may not write is refused before the engine touches it: reading a WAL-mode
        // file creates its -wal and -shm files, which would outlive the refusal with the file's
        // permissions and make every later save fail once the file is writable again.
        if (std::FILE* probe = std::fopen(path.c_str(), "r+b"))
            std::fclose(probe);
        else
            throw DbError("attempt to write a readonly database: \"" + path + "\"", SQLITE_READONLY);
    }
    sqlite3* handle = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        const std::string message = handle ? sqlite3_errmsg(handle) : "out of memory";
        const int code = handle ? sqlite3_extended_errcode(handle) : SQLITE_NOMEM;
        sqlite3_close_v2(handle);
        throw DbError(message, code);
    }
    sqlite3_extended_result_codes(handle, 1);
    std::unique_ptr<SqliteConnection> conn(new SqliteConnection(std::make_shared<SqliteFile>(handle, path)));
    sqlite3_busy_timeout(handle, 5000);
    // Every column name is written in double quotes; without this a misspelt or missing column
    // would be read as a text literal instead of failing (and the check of our columns would pass
    // on a file that lacks one).
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_collation(handle, "ES", SQLITE_UTF8, nullptr, spanishCollation);
    sqlite3_create_function(handle, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, foldFunction, nullptr,
                            nullptr);
    conn->execute("PRAGMA foreign_keys = ON");
    return conn;
}

SqliteConnection::SqliteConnection(std::shared_ptr<SqliteFile> file) : m_file(std::move(file)) {}

SqliteConnection::~SqliteConnection() = default;

sqlite3* SqliteConnection::handle() const {
    if (m_file->closed())
        m_file->throwClosed();
    return m_file->handle();
}

void SqliteConnection::execute(const std::string& sql) {
    SqliteStatement st(m_file, sql);
    while (st.step()) {
    }
}

std::unique_ptr<StatementBackend> SqliteConnection::prepare(const std::string& sql) {
    return std::make_unique<SqliteStatement>(m_file, sql);
}

std::int64_t SqliteConnection::lastInsertId() { return sqlite3_last_insert_rowid(handle()); }

void SqliteConnection::checkStillThere() { m_file->check(); }

void SqliteConnection::checkOurs(const std::string& location) {
    // The first read of a file that is not a database fails here with the engine's own text.
    SqliteStatement appId(m_file, "PRAGMA application_id");
    appId.step();
    if (appId.integer(0) != Schema::kApplicationId)
        throw DbError("El archivo \"" + location + "\" no es una base de datos de Quintaleva 2.");
    if (!m_readOnly && sqlite3_db_readonly(handle(), "main") == 1)
        throw DbError("attempt to write a readonly database: \"" + location + "\"", SQLITE_READONLY);
}

void SqliteConnection::markOurs() { execute("PRAGMA application_id = " + std::to_string(Schema::kApplicationId)); }

void SqliteConnection::opened() {
    execute("PRAGMA journal_mode = WAL");
    m_file->watchContent();
}

void SqliteConnection::watchLongWork(std::function<bool()> keepGoing) {
    m_keepGoing = std::move(keepGoing);
    if (!m_keepGoing) {
        if (!m_file->closed())
            sqlite3_progress_handler(m_file->handle(), 0, nullptr, nullptr);
        return;
    }
    // About every millisecond of work: often enough for a window to repaint and answer.
    constexpr int kInstructions = 20000;
    sqlite3_progress_handler(
        handle(), kInstructions,
        [](void* self) -> int {
            try {
                return static_cast<SqliteConnection*>(self)->m_keepGoing() ? 0 : 1;
            } catch (...) {
                return 1;  // nothing may unwind through the engine
            }
        },
        this);
}
