#pragma once

#include <string>

struct TableDef;

// The few pieces of SQL that differ between the engines a database can live in: a file of our own
// (SQLite) or a shared server (PostgreSQL). Everything else the program writes is common SQL.
class Dialect {
public:
    virtual ~Dialect() = default;

    // True for a database on a server that other stations use at the same time.
    virtual bool isServer() const = 0;
    // Starts a write transaction: the file takes its write lock at once; the server runs it
    // serializable, so a conflicting one fails and is run again (see RetryConflicts).
    virtual std::string beginWrite() const = 0;
    // The column that numbers a table's rows in the order they were added: the table's
    // autonumber, or one kept for the purpose where the table has none.
    virtual std::string rowKey(const std::string& table) const = 0;
    // Column definitions added after the table's own ones (the hidden row key on a server).
    virtual std::string hiddenColumns(const TableDef& table) const = 0;
    // A query with one parameter, the name, that returns a row when the table (or index) exists.
    virtual std::string tableExistsSql() const = 0;
    virtual std::string indexExistsSql() const = 0;
    // A consistent view for a report read with several statements, and its end (it never writes).
    virtual std::string beginRead() const = 0;
    virtual std::string endRead() const = 0;
    // Placed after a table name: reads the table through without an index where the engine takes
    // such a hint (empty where the planner decides alone).
    virtual std::string wholeTableHint() const = 0;
    // After rows were written with their identifiers given: makes the table's numbering continue
    // after the largest one (empty where the engine does it by itself).
    virtual std::string continueNumberingSql(const std::string& table) const = 0;
    // Reclaims the space of deleted rows of one table and refreshes its statistics for the planner,
    // run outside any transaction; empty where the engine compacts only a whole database (a file
    // is compacted into its backup copy instead).
    virtual std::string compactSql(const std::string& table) const = 0;
    // Whether text that may hold any byte (ColumnKind::Bytes) is stored as text; else as binary.
    virtual bool bytesAsText() const = 0;

    // Where an operation stages scratch rows of `table` that only it reads back: the table itself
    // in a file, written by one station at a time; on a server a temporary table of the same
    // columns that belongs to the connection, so two stations never meet in it. `createSql` makes
    // it when missing (the first use on a connection); it runs inside the operation's transaction.
    struct Staging {
        std::string table;
        std::string createSql;
    };
    virtual Staging staging(const std::string& table) const = 0;
};
