#pragma once

#include "db/Connection.h"

#include <unordered_map>

struct pg_conn;
struct pg_result;

// A database of ours on a PostgreSQL server, through libpq. Statements run serializable inside
// write transactions; a conflict with another station comes back as DbError::kConflict. A
// connection the server dropped is opened again on the next statement, but never in the middle of
// a transaction: one lost there fails (DbError::kServer) up to its ROLLBACK or COMMIT, so no part
// of it is ever run again outside it. One lost at COMMIT fails too, although the server may have
// stored the transaction: its text says so, and the caller checks what is stored before writing
// it again.
class PgConnection final : public Connection {
public:
    // The table that marks a database as ours and holds its schema version.
    static constexpr const char* kMarkTable = "quintaleva";
    static constexpr int kSchemaVersion = 1;

    // `location` is a libpq URI; `password`, when not empty, is used instead of one in ~/.pgpass.
    static std::unique_ptr<PgConnection> connect(const std::string& location, const std::string& password);
    ~PgConnection() override;

    std::unique_ptr<StatementBackend> prepare(const std::string& sql) override;
    std::unique_ptr<BulkBackend> bulkInsert(const std::string& table, const std::vector<std::string>& columns) override;
    std::int64_t lastInsertId() override { return m_lastInsertId; }
    void checkOurs(const std::string& location) override;
    void markOurs() override;

    bool isServer() const override { return true; }
    std::string beginWrite() const override { return "BEGIN ISOLATION LEVEL SERIALIZABLE"; }
    std::string rowKey(const std::string& table) const override;
    std::string hiddenColumns(const TableDef& table) const override;
    std::string tableExistsSql() const override {
        return "SELECT 1 FROM pg_catalog.pg_tables WHERE schemaname = current_schema() AND tablename = lower(?)";
    }
    std::string indexExistsSql() const override {
        return "SELECT 1 FROM pg_catalog.pg_indexes WHERE schemaname = current_schema() AND indexname = lower(?)";
    }
    std::string beginRead() const override { return "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"; }
    std::string endRead() const override { return "COMMIT"; }
    std::string wholeTableHint() const override { return {}; }
    std::string continueNumberingSql(const std::string& table) const override;
    std::string compactSql(const std::string& table) const override {
        return "VACUUM (ANALYZE) \"" + table + "\"";
    }
    bool bytesAsText() const override { return false; }
    Staging staging(const std::string& table) const override {
        return {table + "Local", "CREATE TEMPORARY TABLE IF NOT EXISTS " + table + "Local (LIKE " + table +
                                     " INCLUDING DEFAULTS INCLUDING IDENTITY)"};
    }

    // For PgStatement.
    pg_conn* handle() const { return m_conn; }
    void setLastInsertId(std::int64_t id) { m_lastInsertId = id; }
    // The name of a server-side prepared statement for `sql` once it has been run before, so a
    // statement the program runs again and again is planned once per connection.
    const std::string* preparedName(const std::string& sql, int parameters);
    // Throws the DbError of a failed result (or of the connection when `result` is null).
    [[noreturn]] void fail(const pg_result* result) const;
    // Runs SQL of our own without parameters; throws DbError on failure.
    void run(const std::string& sql);
    // Before a statement: false for a ROLLBACK of a transaction the lost connection already ended
    // (there is nothing to run). Reconnects a lost connection outside a transaction; throws
    // DbError::kServer for the statements of a transaction it was lost in, and when the server
    // cannot be reached again.
    bool prepareToRun(const std::string& sql);
    // After a statement, ran or failed: notes whether a transaction is open, and whether the
    // connection was lost inside one. True when it should be sent once more: it failed on a
    // connection that had dropped while idle, and it is a BEGIN or a read outside a transaction.
    bool ran(const std::string& sql, bool failed, bool resent);
    // After a COMMIT the server carried out: true, with the connection cut, when its reply is to
    // be lost (see loseNextCommitReply()); the COMMIT then fails as a lost one does.
    bool dropCommitReply(const std::string& sql);

    // For tests: the reply to the next COMMIT the server carries out, on any connection of the
    // process, is lost, as when the cable is cut just after the server stored the transaction.
    static void loseNextCommitReply();

private:
    explicit PgConnection(pg_conn* conn) : m_conn(conn) {}

    pg_conn* m_conn;
    std::int64_t m_lastInsertId = 0;
    bool m_inTransaction = false;
    bool m_lostInTransaction = false;
    bool m_lostAtCommit = false;
    std::unordered_map<std::string, int> m_seen;
    std::unordered_map<std::string, std::string> m_prepared;
};
