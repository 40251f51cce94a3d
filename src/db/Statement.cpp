#include "db/Statement.h"

#include "db/Connection.h"

Statement::Statement(std::unique_ptr<StatementBackend> backend) : m_impl(std::move(backend)) {}

Statement::~Statement() = default;

Statement::Statement(Statement&& other) noexcept = default;

Statement& Statement::bind(int index, const DbValue& value) {
    m_impl->bind(index, value);
    return *this;
}

Statement& Statement::bindAll(const std::vector<DbValue>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(static_cast<int>(i + 1), values[i]);
    return *this;
}

bool Statement::step() { return m_impl->step(); }

int Statement::execute() {
    while (step()) {
    }
    return m_impl->changes();
}

std::vector<std::vector<DbValue>> Statement::fetchAll() {
    std::vector<std::vector<DbValue>> rows;
    const int columns = columnCount();
    while (step()) {
        std::vector<DbValue> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(column(c));
        rows.push_back(std::move(row));
    }
    return rows;
}

void Statement::reset() { m_impl->reset(); }

int Statement::columnCount() const { return m_impl->columnCount(); }

std::string Statement::columnName(int column) const { return m_impl->columnName(column); }

DbValue Statement::column(int column) const { return m_impl->column(column); }

std::string Statement::text(int column) const { return m_impl->text(column); }

std::int64_t Statement::integer(int column) const { return m_impl->integer(column); }

double Statement::real(int column) const { return m_impl->real(column); }
