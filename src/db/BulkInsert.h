#pragma once

#include "db/DbValue.h"

#include <memory>
#include <string>
#include <vector>

class BulkBackend;
class Database;

// Many rows for one table, written as fast as the engine takes them: a server gets them as one
// stream (COPY) instead of a round trip per row; a file through one prepared INSERT. Values follow
// the rules of Statement::bind (empty text is Null). Runs inside the caller's transaction;
// nothing else may use the database until finish(). Dropped without finish(), the rows not yet
// written are discarded and the transaction is left to be rolled back.
class BulkInsert final {
public:
    BulkInsert(Database& db, const std::string& table, const std::vector<std::string>& columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // One row, its values in the order of the columns. Throws DbError (the engine may report a
    // bad row only at finish()); at once for a row of another width.
    void add(const std::vector<DbValue>& row);
    // Writes what is left; throws DbError when any row was refused.
    void finish();

private:
    std::unique_ptr<BulkBackend> m_impl;
    std::size_t m_columns;
};
