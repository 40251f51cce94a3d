#include "db/SqliteStatement.h"

#include "db/DbError.h"
#include "db/SqliteFile.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(std::shared_ptr<SqliteFile> file, const std::string& sql) : m_file(std::move(file)) {
    usable();
    if (sqlite3_prepare_v2(m_file->handle(), sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        fail();
    }
    m_file->adopt(&m_stmt);
    m_writes = m_stmt && !sqlite3_stmt_readonly(m_stmt);
}

SqliteStatement::~SqliteStatement() {
    m_file->release(&m_stmt);
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::usable() const {
    if (m_file->closed())
        m_file->throwClosed();
}

void SqliteStatement::fail() const {
    throw DbError(sqlite3_errmsg(m_file->handle()), sqlite3_extended_errcode(m_file->handle()));
}

void SqliteStatement::bind(int index, const DbValue& value) {
    usable();
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
}

bool SqliteStatement::step() {
    usable();
    if (m_writes && sqlite3_get_autocommit(m_file->handle()) && !sqlite3_stmt_busy(m_stmt))
        m_file->check();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const std::string message = sqlite3_errmsg(m_file->handle());
    const int code = sqlite3_extended_errcode(m_file->handle());
    sqlite3_reset(m_stmt);
    throw DbError(message, code);
}

int SqliteStatement::changes() const {
    usable();
    return sqlite3_changes(m_file->handle());
}

void SqliteStatement::reset() {
    if (!m_stmt)
        return;  // finalized with its closed file; the next step says why
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int SqliteStatement::columnCount() const { return sqlite3_column_count(m_stmt); }

std::string SqliteStatement::columnName(int column) const {
    const char* name = m_stmt ? sqlite3_column_name(m_stmt, column) : nullptr;
    return name ? name : "";
}

DbValue SqliteStatement::column(int column) const {
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

std::string SqliteStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))) : std::string();
}

std::int64_t SqliteStatement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

double SqliteStatement::real(int column) const { return sqlite3_column_double(m_stmt, column); }
