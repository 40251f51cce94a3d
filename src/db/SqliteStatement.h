#pragma once

#include "db/Connection.h"

struct sqlite3;
struct sqlite3_stmt;

// A statement on a database file.
class SqliteStatement final : public StatementBackend {
public:
    SqliteStatement(sqlite3* db, const std::string& sql);
    ~SqliteStatement() override;

    void bind(int index, const DbValue& value) override;
    bool step() override;
    int changes() const override;
    void reset() override;
    int columnCount() const override;
    std::string columnName(int column) const override;
    DbValue column(int column) const override;
    std::string text(int column) const override;
    std::int64_t integer(int column) const override;
    double real(int column) const override;

private:
    [[noreturn]] void fail() const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
