#include "db/PgConnection.h"

#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/PgCopy.h"
#include "db/PgStatement.h"
#include "db/Schema.h"
#include "db/SpanishText.h"
#include "db/Utf8.h"

#include <libpq-fe.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

int codeOfState(const char* state) {
    const std::string s = state ? state : "";
    if (s == "23505")
        return DbError::kUniqueViolation;
    if (s.rfind("23", 0) == 0)
        return DbError::kConstraint;
    if (s == "40001" || s == "40P01")
        return DbError::kConflict;
    if (s == "55P03")
        return DbError::kBusy;
    if (s == "57P03")
        return DbError::kServerStarting;
    if (s == "53300")
        return DbError::kServerFull;
    if (s.rfind("08", 0) == 0 || s.rfind("57P", 0) == 0)
        return DbError::kServer;
    if (s == "28P01")
        return DbError::kWrongPassword;
    if (s == "28000")
        return DbError::kLoginRefused;
    if (s == "3D000")
        return DbError::kNoDatabase;
    if (s == "53100")
        return 13;  // SQLITE_FULL
    if (s == "25006")
        return DbError::kReadOnlySession;
    if (s == "42501")
        return DbError::kDenied;
    return DbError::kGeneric;
}

// A refusal at log-in has no result to read its SQLSTATE from; the message, written verbosely,
// carries it ("FATAL:  28P01: password authentication failed ..."). Takes it out of `message`,
// with libpq's LOCATION lines, and returns it ("" when the failure was not the server's).
std::string takeState(std::string& message) {
    std::string state;
    for (const char* severity : {"FATAL:  ", "ERROR:  ", "PANIC:  "}) {
        for (std::size_t at = message.find(severity); at != std::string::npos; at = message.find(severity, at + 1)) {
            const std::size_t code = at + std::strlen(severity);
            if (message.size() < code + 7 || message.compare(code + 5, 2, ": ") != 0)
                continue;
            if (state.empty())
                state = message.substr(code, 5);
            message.erase(code, 7);
        }
    }
    for (std::size_t at = message.find("LOCATION:  "); at != std::string::npos; at = message.find("LOCATION:  ")) {
        const std::size_t end = message.find('\n', at);
        message.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
    return state;
}

// Connects as PQconnectdbParams does, with the messages written verbosely so that a refusal
// tells its SQLSTATE, and the same bound on the wait for the server (null when it ran out).
PGconn* connectVerbosely(const char* const* keys, const char* const* values, int seconds) {
    PGconn* conn = PQconnectStartParams(keys, values, 1);
    if (!conn)
        throw DbError("out of memory", DbError::kServer);
    if (PQstatus(conn) == CONNECTION_BAD)
        return conn;
    PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
    while (polled != PGRES_POLLING_OK && polled != PGRES_POLLING_FAILED) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{PQsocket(conn), static_cast<short>(polled == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = left.count() > 0 ? ::poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            PQfinish(conn);
            return nullptr;
        }
        polled = PQconnectPoll(conn);
    }
    PQsetErrorVerbosity(conn, PQERRORS_DEFAULT);
    return conn;
}

// The body of fold(): the same letters SpanishText::fold folds, for translate().
std::string foldFunctionSql() {
    std::string from, to;
    for (char32_t cp = 'A'; cp <= 0xFF; ++cp) {
        if (cp > 'Z' && cp < 0xC0)
            continue;
        std::string original;
        Utf8::append(original, cp);
        const std::string folded = SpanishText::fold(original);
        if (folded != original) {
            from += original;
            to += folded;
        }
    }
    return "CREATE OR REPLACE FUNCTION fold(text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
           "AS $$ SELECT translate($1, '" + from + "', '" + to + "') $$";
}

} // namespace

std::unique_ptr<PgConnection> PgConnection::connect(const std::string& location, const std::string& password) {
    std::vector<const char*> keys = {"dbname", "client_encoding", "application_name", "connect_timeout"};
    std::vector<const char*> values = {location.c_str(), "UTF8", "quintaleva", "10"};
    if (!password.empty()) {
        keys.push_back("password");
        values.push_back(password.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    constexpr int kWaitSeconds = 10;
    PGconn* conn = connectVerbosely(keys.data(), values.data(), kWaitSeconds);
    const std::string shown = " (" + DatabaseLocation::withoutPassword(location) + ")";
    if (!conn)
        throw DbError("timeout expired after " + std::to_string(kWaitSeconds) + " seconds" + shown, DbError::kServer);
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = trimmed(PQerrorMessage(conn));
        const int stated = codeOfState(takeState(message).c_str());
        int code = stated == DbError::kGeneric ? DbError::kServer : stated;
        if (PQconnectionNeedsPassword(conn))
            code = DbError::kAuth;
        else if (code == DbError::kWrongPassword && !PQconnectionUsedPassword(conn))
            code = DbError::kAuth;
        PQfinish(conn);
        throw DbError(trimmed(message) + shown, code);
    }
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<PgConnection>(new PgConnection(conn));
}

PgConnection::~PgConnection() { PQfinish(m_conn); }

void PgConnection::fail(const pg_result* result) const {
    if (PQstatus(m_conn) == CONNECTION_BAD || !result) {
        // The server's own reason when it gave one ("terminating connection due to administrator
        // command"), else libpq's first line, without the context and libpq's explanations.
        const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string lost = primary ? primary : trimmed(PQerrorMessage(m_conn));
        lost = lost.substr(0, lost.find('\n'));
        if (!m_lostAtCommit)
            throw DbError(lost, DbError::kServer);
        throw DbError("the connection to the server was lost while the transaction was being committed; "
                      "whether the server stored it is not known" + (lost.empty() ? "" : ": " + lost),
                      DbError::kServer);
    }
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    std::string message = primary ? primary : trimmed(PQresultErrorMessage(result));
    if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL))
        message += std::string(" ") + detail;
    throw DbError(message, codeOfState(PQresultErrorField(result, PG_DIAG_SQLSTATE)));
}

void PgConnection::run(const std::string& sql) {
    PGresult* r = PQexec(m_conn, sql.c_str());
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        try {
            fail(r);
        } catch (...) {
            PQclear(r);
            throw;
        }
    }
    PQclear(r);
}

namespace {

// The statement's first word in upper case ("ROLLBACK", "COMMIT", ...).
std::string firstWord(const std::string& sql) {
    std::string word;
    for (char c : sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (word.empty())
                continue;
            break;
        }
        if (c == ';')
            break;
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word;
}

} // namespace

bool PgConnection::prepareToRun(const std::string& sql) {
    m_lostAtCommit = false;
    // Between statements the server says nothing, unless it ended the session (a restart or a
    // stop for maintenance while the station sat idle). Read that now: the statement then goes to
    // a new session instead of failing on the dead one, whatever statement it is.
    // Its last words and the end of the connection come in separate reads.
    for (int reads = 0; reads < 4 && PQstatus(m_conn) == CONNECTION_OK && !m_inTransaction; ++reads) {
        pollfd p{PQsocket(m_conn), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !PQconsumeInput(m_conn))
            break;
    }
    if (PQstatus(m_conn) != CONNECTION_BAD)
        return true;
    if (m_lostInTransaction) {
        const std::string word = firstWord(sql);
        if (word == "ROLLBACK" || word == "COMMIT" || word == "END")
            m_lostInTransaction = false;
        if (word == "ROLLBACK")
            return false;
        throw DbError("the connection to the server was lost in the middle of a transaction; nothing of it was stored",
                      DbError::kServer);
    }
    PQreset(m_conn);
    if (PQstatus(m_conn) != CONNECTION_OK)
        throw DbError(trimmed(PQerrorMessage(m_conn)), DbError::kServer);
    // The statements prepared on the old session went with it.
    m_prepared.clear();
    m_seen.clear();
    m_inTransaction = false;
    return true;
}

bool PgConnection::ran(const std::string& sql, bool failed, bool resent) {
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    if (status != PQTRANS_UNKNOWN) {
        m_inTransaction = status != PQTRANS_IDLE;
        return false;
    }
    const bool wasInTransaction = m_inTransaction;
    m_lostInTransaction = m_lostInTransaction || wasInTransaction;
    m_inTransaction = false;
    const std::string word = firstWord(sql);
    // The server may have stored it before the connection went: not known, so never success.
    m_lostAtCommit = wasInTransaction && (word == "COMMIT" || word == "END");
    // A server restarted while the station sat idle: the first statement finds the connection
    // gone. Only a BEGIN or a read is sent again; nothing else may run twice.
    if (!failed || wasInTransaction || resent)
        return false;
    return word == "BEGIN" || word == "SELECT";
}

namespace {

std::atomic<bool> loseCommitReply{false};

} // namespace

void PgConnection::loseNextCommitReply() { loseCommitReply = true; }

bool PgConnection::dropCommitReply(const std::string& sql) {
    if (!loseCommitReply.load() || firstWord(sql) != "COMMIT" || !loseCommitReply.exchange(false))
        return false;
    // The transaction is stored; the station never hears so. libpq finds the socket dead on the
    // next statement, as it would after a cut cable.
    ::shutdown(PQsocket(m_conn), SHUT_RDWR);
    m_lostAtCommit = true;
    return true;
}

std::unique_ptr<StatementBackend> PgConnection::prepare(const std::string& sql) {
    return std::make_unique<PgStatement>(*this, sql);
}

std::unique_ptr<BulkBackend> PgConnection::bulkInsert(const std::string& table, const std::vector<std::string>& columns) {
    return std::make_unique<PgCopy>(*this, table, columns);
}

const std::string* PgConnection::preparedName(const std::string& sql, int parameters) {
    if (auto it = m_prepared.find(sql); it != m_prepared.end())
        return &it->second;
    // Statements built from the operator's filters vary without end; only repeated ones are kept,
    // and not without bound.
    if (++m_seen[sql] < 2 || m_prepared.size() >= 500)
        return nullptr;
    std::string name = "q" + std::to_string(m_prepared.size() + 1);
    PGresult* r = PQprepare(m_conn, name.c_str(), sql.c_str(), parameters, nullptr);
    const bool ok = r && PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    // A statement the server cannot prepare now (such as inside a failed transaction) runs unnamed,
    // where it fails with the server's own text.
    if (!ok)
        return nullptr;
    return &m_prepared.emplace(sql, std::move(name)).first->second;
}

void PgConnection::checkOurs(const std::string& location) {
    const std::string shown = DatabaseLocation::withoutPassword(location);
    const std::string notOurs = "La base de datos \"" + shown + "\" del servidor no es una base de datos de Quintaleva 2.";
    PGresult* r = PQexecParams(m_conn,
                               "SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() "
                               "AND tablename = 'quintaleva'",
                               0, nullptr, nullptr, nullptr, nullptr, 0);
    if (!r || PQresultStatus(r) != PGRES_TUPLES_OK) {
        try {
            fail(r);
        } catch (...) {
            PQclear(r);
            throw;
        }
    }
    const bool marked = PQntuples(r) == 1;
    PQclear(r);
    if (!marked)
        throw DbError(notOurs);
    r = PQexec(m_conn, "SELECT aplicacion, version FROM quintaleva");
    // Ours, but the user may not read it (no rights on the tables): that refusal is the one to tell.
    if (!r || PQresultStatus(r) != PGRES_TUPLES_OK) {
        try {
            fail(r);
        } catch (...) {
            PQclear(r);
            throw;
        }
    }
    const bool ours = r && PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 &&
                      std::strcmp(PQgetvalue(r, 0, 0), "QVL2") == 0;
    const long version = ours ? std::strtol(PQgetvalue(r, 0, 1), nullptr, 10) : 0;
    PQclear(r);
    if (!ours)
        throw DbError(notOurs);
    if (version > kSchemaVersion)
        throw DbError("La base de datos \"" + shown + "\" es de una versión más nueva de Quintaleva 2 (" +
                      std::to_string(version) + "); actualice el programa.");
}

void PgConnection::markOurs() {
    run("CREATE TABLE quintaleva (aplicacion text NOT NULL, version bigint NOT NULL)");
    run("INSERT INTO quintaleva VALUES ('QVL2', " + std::to_string(kSchemaVersion) + ")");
    run("COMMENT ON TABLE quintaleva IS 'Base de datos de Quintaleva 2 y la versión de su esquema'");
    // Names sort as a Spanish reader expects (case and accents ignored, ñ after n; ties by bytes,
    // as the file's collation), and keys compare without case.
    run("CREATE COLLATION IF NOT EXISTS es (provider = icu, locale = 'es-u-ks-level1')");
    run("CREATE COLLATION IF NOT EXISTS nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false)");
    run(foldFunctionSql());
    run("CREATE OR REPLACE FUNCTION round(double precision, integer) RETURNS double precision LANGUAGE sql "
        "IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT round($1::numeric, $2)::double precision $$");
}

std::string PgConnection::rowKey(const std::string& table) const {
    for (const TableDef& t : Schema::tables())
        if (t.name == table)
            for (const ColumnDef& c : t.columns)
                if (c.autoNumber)
                    return "\"" + c.name + "\"";
    return "rowid";
}

std::string PgConnection::hiddenColumns(const TableDef& table) const {
    for (const ColumnDef& c : table.columns)
        if (c.autoNumber)
            return {};
    // Rows in the order they were added, for the tables without an autonumber key.
    return ", rowid BIGINT GENERATED BY DEFAULT AS IDENTITY UNIQUE";
}

std::string PgConnection::continueNumberingSql(const std::string& table) const {
    std::string key = rowKey(table), name = table;
    if (key.front() == '"')
        key = key.substr(1, key.size() - 2);
    for (std::string* s : {&key, &name})
        for (char& c : *s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const TableDef& t : Schema::tables())
        if (t.name == table)
            return "SELECT setval(pg_get_serial_sequence('" + name + "', '" + key + "'), COALESCE(max(" + key +
                   "), 0) + 1, false) FROM " + name;
    return {};
}
