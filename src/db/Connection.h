#pragma once

#include "db/DbValue.h"
#include "db/Dialect.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One engine's prepared statement, behind Statement.
class StatementBackend {
public:
    virtual ~StatementBackend() = default;
    // Parameters count from 1.
    virtual void bind(int index, const DbValue& value) = 0;
    virtual bool step() = 0;
    // Rows changed by the statement that step() ran to its end.
    virtual int changes() const = 0;
    virtual void reset() = 0;
    virtual int columnCount() const = 0;
    virtual std::string columnName(int column) const = 0;
    virtual DbValue column(int column) const = 0;
    virtual std::string text(int column) const { return valueToText(this->column(column)); }
    virtual std::int64_t integer(int column) const { return valueToInt(this->column(column)); }
    virtual double real(int column) const { return valueToDouble(this->column(column)); }
};

// One engine's way of taking many rows for one table, behind BulkInsert.
class BulkBackend {
public:
    virtual ~BulkBackend() = default;
    virtual void add(const std::vector<DbValue>& row) = 0;
    virtual void finish() = 0;
};

// One engine's open connection, behind Database; it also answers for its SQL dialect.
class Connection : public Dialect {
public:
    virtual std::unique_ptr<StatementBackend> prepare(const std::string& sql) = 0;
    // Rows in bulk for `table`; null where one prepared INSERT a row is as fast as it gets.
    virtual std::unique_ptr<BulkBackend> bulkInsert(const std::string& /*table*/,
                                                    const std::vector<std::string>& /*columns*/) {
        return nullptr;
    }
    virtual std::int64_t lastInsertId() = 0;
    // Throws DbError unless the database is one of ours (its mark), writable by us.
    virtual void checkOurs(const std::string& location) = 0;
    // Marks a new, empty database as ours and adds what its SQL needs (collation, functions);
    // runs inside the creation's transaction.
    virtual void markOurs() = 0;
    // Settings for an opened database of ours.
    virtual void opened() {}
    // While set, called now and then during long statements; returning false interrupts the
    // statement, which then fails. Engines that cannot call back ignore it.
    virtual void watchLongWork(std::function<bool()> keepGoing) { (void)keepGoing; }
    // Throws DbError::kMoved when the database is no longer the one at its location (a file moved,
    // renamed or replaced while open); from then on every statement is refused.
    virtual void checkStillThere() {}
};
