#pragma once

#include "db/DbValue.h"
#include "db/Statement.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

// The one open database file: an SQLite file marked as ours, with WAL journal, foreign keys on,
// a busy timeout, and the Spanish collation "ES" and folding function fold() registered.
class Database final {
public:
    // Opens an existing database of ours. Throws DbError with the engine's description when the
    // file is missing, unreadable, read-only, not a database, another program's database, or
    // lacks one of our tables or columns. Nothing in the file is changed in that case.
    // A location starting with "postgresql://" or "postgres://" names a server; `password` is
    // used when the server asks for one (DbError::kAuth when it is missing or refused).
    static std::unique_ptr<Database> open(const std::string& path, const std::string& password = {});
    // Makes a new database from the schema and seed rows. The file appears complete or not at all:
    // it is built under a temporary name beside the target and renamed. Refuses an existing file.
    // `seed` adds further rows (the ready print layouts) inside the same transaction.
    static std::unique_ptr<Database> create(const std::string& path,
                                            const std::function<void(Database&)>& seed = {});

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return m_path; }

    // Runs one statement with bound parameters; the number of rows changed.
    int execute(const std::string& sql, const std::vector<DbValue>& params = {});
    Statement prepare(const std::string& sql);
    std::int64_t lastInsertId() const;

private:
    Database(sqlite3* handle, std::string path);
    static sqlite3* openHandle(const std::string& path, int flags);
    void configure();
    void verify();

    sqlite3* m_db;
    std::string m_path;
};
