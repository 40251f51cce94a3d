#pragma once

#include "db/DbValue.h"

#include <memory>
#include <string>
#include <vector>

class StatementBackend;

// A prepared statement. Values only ever reach SQL through bind(); no text is pasted in.
class Statement final {
public:
    explicit Statement(std::unique_ptr<StatementBackend> backend);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1. Empty text binds as Null, like an unset text field.
    Statement& bind(int index, const DbValue& value);
    Statement& bindAll(const std::vector<DbValue>& values);
    // Steps once: true while a row is available.
    bool step();
    // Runs to the end; the number of rows changed.
    int execute();
    // Steps to the end, keeping every row's columns.
    std::vector<std::vector<DbValue>> fetchAll();
    void reset();

    int columnCount() const;
    std::string columnName(int column) const;
    DbValue column(int column) const;
    std::string text(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;

private:
    std::unique_ptr<StatementBackend> m_impl;
};
