#include "db/Statement.h"

#include "db/DbError.h"

#include <sqlite3.h>

Statement::Statement(sqlite3* db, const std::string& sql) : m_db(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
        fail();
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

void Statement::fail() const { throw DbError(sqlite3_errmsg(m_db), sqlite3_extended_errcode(m_db)); }

Statement& Statement::bind(int index, const DbValue& value) {
    int rc = SQLITE_OK;
    if (auto i = std::get_if<std::int64_t>(&value)) {
        rc = sqlite3_bind_int64(m_stmt, index, *i);
    } else if (auto d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(m_stmt, index, *d);
    } else if (auto s = std::get_if<std::string>(&value)) {
        rc = s->empty() ? sqlite3_bind_null(m_stmt, index)
                        : sqlite3_bind_text(m_stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    } else if (auto b = std::get_if<Blob>(&value)) {
        rc = sqlite3_bind_blob(m_stmt, index, b->data(), static_cast<int>(b->size()), SQLITE_TRANSIENT);
    } else {
        rc = sqlite3_bind_null(m_stmt, index);
    }
    if (rc != SQLITE_OK)
        fail();
    return *this;
}

Statement& Statement::bindAll(const std::vector<DbValue>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(static_cast<int>(i + 1), values[i]);
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const std::string message = sqlite3_errmsg(m_db);
    const int code = sqlite3_extended_errcode(m_db);
    sqlite3_reset(m_stmt);
    throw DbError(message, code);
}

int Statement::execute() {
    while (step()) {
    }
    return sqlite3_changes(m_db);
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

void Statement::reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

std::string Statement::columnName(int column) const {
    const char* name = sqlite3_column_name(m_stmt, column);
    return name ? name : "";
}

DbValue Statement::column(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB: {
        const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(m_stmt, column));
        return Blob(p, p + sqlite3_column_bytes(m_stmt, column));
    }
    default:
        return std::monostate{};
    }
}

std::string Statement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

double Statement::real(int column) const { return sqlite3_column_double(m_stmt, column); }
