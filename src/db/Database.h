#pragma once

#include "db/DbValue.h"
#include "db/Dialect.h"
#include "db/Statement.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class BulkBackend;
class Connection;

// The one open database: a file of ours (SQLite) or a database of ours on a PostgreSQL server,
// named by a location that starts with "postgresql://" or "postgres://". The rest of the program
// sees one interface; the few SQL differences are asked of dialect().
class Database final {
public:
    // Opens an existing database of ours. Throws DbError with the engine's description when the
    // file is missing, unreadable, read-only, not a database, another program's database, or
    // lacks one of our tables or columns; for a server also when it is down or refuses us
    // (DbError::kAuth when it wants a password, or another one: `password` is tried with the
    // location, and libpq reads ~/.pgpass itself). Nothing is changed in that case.
    // `keepGoing`, when given, is called now and then while an older file gains its indexes (the one
    // slow part of opening a large file); returning false leaves them for a later opening.
    static std::unique_ptr<Database> open(const std::string& location, const std::string& password = {},
                                          const std::function<bool()>& keepGoing = {});
    // Opens an existing database of ours to read it only (printing, reports from the command
    // line): a file that may not be written (read-only file or folder) is opened all the same, and
    // nothing is upgraded or written. Refused as open() refuses otherwise.
    static std::unique_ptr<Database> openForReading(const std::string& location, const std::string& password = {});
    // Makes a new database from the schema and seed rows. A file appears complete or not at all:
    // it is built under a temporary name beside the target and renamed; an existing file is
    // refused. On a server the (empty) database must exist; it is filled in one transaction and
    // refused when it already holds tables of ours. `seed` adds further rows (the ready print
    // layouts) inside the same transaction.
    static std::unique_ptr<Database> create(const std::string& location,
                                            const std::function<void(Database&)>& seed = {},
                                            const std::string& password = {});
    // Throws, as create() would, when the server database at `location` cannot be reached or
    // already holds tables: ours are never overwritten, another program's are not ours to fill.
    // Nothing is written.
    static void checkServerTarget(const std::string& location, const std::string& password = {});

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The location it was opened with (a file path, or the server's URI as given).
    const std::string& path() const { return m_path; }
    const Dialect& dialect() const;
    bool hasTable(const std::string& name);
    bool hasIndex(const std::string& name);

    // Runs one statement with bound parameters; the number of rows changed.
    int execute(const std::string& sql, const std::vector<DbValue>& params = {});
    Statement prepare(const std::string& sql);
    std::int64_t lastInsertId() const;
    // Throws DbError::kMoved when the open file is no longer the one at its path (see SqliteFile);
    // every write transaction asks at its start and its commit, and the screens while idle.
    void checkStillThere();
    // For BulkInsert: the engine's bulk writer, or one prepared INSERT stepped once a row.
    std::unique_ptr<BulkBackend> bulkInsert(const std::string& table, const std::vector<std::string>& columns);

private:
    Database(std::unique_ptr<Connection> connection, std::string path);
    static std::unique_ptr<Connection> connect(const std::string& location, const std::string& password);
    void verify();
    void refuseTables();
    bool exists(const std::string& sql, const std::string& name);

    std::unique_ptr<Connection> m_conn;
    std::string m_path;
};
