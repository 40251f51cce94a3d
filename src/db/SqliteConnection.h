#pragma once

#include "db/Connection.h"

class SqliteFile;
struct sqlite3;

// A database file of ours: WAL journal, foreign keys on, a busy timeout, and the Spanish collation
// "ES" and folding function fold() registered. After every commit the journal is copied into the
// file as far as no reader holds it (a passive checkpoint; see SqliteFile), so that the .mdb alone
// is current within a save: shops copy it with the program open, whatever the manual says.
class SqliteConnection final : public Connection {
public:
    // `create` makes the file; otherwise it must exist and be writable.
    static std::unique_ptr<SqliteConnection> open(const std::string& path, bool create);
    // An existing file only read: nothing is written, no journal file is made. A file we may not
    // write is read as it stands (nobody here can be changing it).
    static std::unique_ptr<SqliteConnection> openForReading(const std::string& path);
    ~SqliteConnection() override;

    std::unique_ptr<StatementBackend> prepare(const std::string& sql) override;
    std::int64_t lastInsertId() override;
    void checkOurs(const std::string& location) override;
    void markOurs() override;
    void opened() override;
    void watchLongWork(std::function<bool()> keepGoing) override;
    void checkStillThere() override;

    bool isServer() const override { return false; }
    std::string beginWrite() const override { return "BEGIN IMMEDIATE"; }
    std::string rowKey(const std::string&) const override { return "rowid"; }
    std::string hiddenColumns(const TableDef&) const override { return {}; }
    std::string tableExistsSql() const override {
        return "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?";
    }
    std::string indexExistsSql() const override {
        return "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?";
    }
    // A deferred savepoint: a read transaction that takes no write lock.
    std::string beginRead() const override { return "SAVEPOINT report_read"; }
    std::string endRead() const override { return "RELEASE report_read"; }
    std::string wholeTableHint() const override { return " NOT INDEXED"; }
    std::string continueNumberingSql(const std::string&) const override { return {}; }
    std::string compactSql(const std::string&) const override { return {}; }
    bool bytesAsText() const override { return true; }
    Staging staging(const std::string& table) const override { return {table, {}}; }

private:
    explicit SqliteConnection(std::shared_ptr<SqliteFile> file);
    void execute(const std::string& sql);
    sqlite3* handle() const;

    std::shared_ptr<SqliteFile> m_file;
    bool m_readOnly = false;
    std::function<bool()> m_keepGoing;
};
