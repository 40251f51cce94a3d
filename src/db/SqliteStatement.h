#pragma once

#include "db/Connection.h"

#include <memory>

class SqliteFile;
struct sqlite3_stmt;

// A statement on a database file. Once the file is found moved or replaced it refuses every use.
class SqliteStatement final : public StatementBackend {
public:
    SqliteStatement(std::shared_ptr<SqliteFile> file, const std::string& sql);
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
    void usable() const;

    std::shared_ptr<SqliteFile> m_file;
    sqlite3_stmt* m_stmt = nullptr;
    // A write outside an explicit transaction looks first whether the file is still the one at its
    // path; a transaction looks when it begins and when it commits.
    bool m_writes = false;
};
