#include "db/PgCopy.h"

#include "db/DbError.h"
#include "db/PgConnection.h"
#include "db/PgSql.h"

#include <libpq-fe.h>

namespace {

constexpr std::size_t kPiece = 1 << 20;

// Takes the results of the statement that ran and throws the first failure among them.
void drain(PgConnection& conn) {
    bool failed = false;
    while (PGresult* r = PQgetResult(conn.handle())) {
        const ExecStatusType status = PQresultStatus(r);
        if (!failed && status != PGRES_COMMAND_OK) {
            failed = true;
            try {
                conn.fail(r);
            } catch (...) {
                PQclear(r);
                while (PGresult* rest = PQgetResult(conn.handle()))
                    PQclear(rest);
                throw;
            }
        }
        PQclear(r);
    }
}

} // namespace

PgCopy::PgCopy(PgConnection& conn, const std::string& table, const std::vector<std::string>& columns)
    : m_conn(conn) {
    std::string sql = "COPY \"" + table + "\" (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", \"" : "\"") + columns[i] + "\"";
    sql = PgSql::translate(sql + ") FROM STDIN").sql;
    PGresult* r = PQexec(conn.handle(), sql.c_str());
    if (!r || PQresultStatus(r) != PGRES_COPY_IN) {
        try {
            conn.fail(r);
        } catch (...) {
            PQclear(r);
            throw;
        }
    }
    PQclear(r);
    m_buffer.reserve(kPiece + 64 * 1024);
}

PgCopy::~PgCopy() {
    if (!m_open)
        return;
    PQputCopyEnd(m_conn.handle(), "abandonado");
    while (PGresult* r = PQgetResult(m_conn.handle()))
        PQclear(r);
}

void PgCopy::appendValue(std::string& line, const DbValue& value) {
    if (auto n = std::get_if<std::int64_t>(&value)) {
        line += std::to_string(*n);
    } else if (auto d = std::get_if<double>(&value)) {
        line += PgSql::doubleText(*d);
    } else if (auto s = std::get_if<std::string>(&value); s && !s->empty()) {
        for (const char c : *s) {
            switch (c) {
            case '\\': line += "\\\\"; break;
            case '\t': line += "\\t"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += c;
            }
        }
    } else if (auto b = std::get_if<Blob>(&value)) {
        // bytea's hex input, its backslash escaped for COPY.
        static const char kHex[] = "0123456789abcdef";
        line += "\\\\x";
        for (const unsigned char byte : *b) {
            line += kHex[byte >> 4];
            line += kHex[byte & 0xF];
        }
    } else {
        line += "\\N";  // Null, and empty text as Statement::bind stores it
    }
}

void PgCopy::add(const std::vector<DbValue>& row) {
    if (!m_open)
        throw DbError("COPY already finished");
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i)
            m_buffer += '\t';
        appendValue(m_buffer, row[i]);
    }
    m_buffer += '\n';
    if (m_buffer.size() >= kPiece)
        send();
}

void PgCopy::send() {
    if (m_buffer.empty())
        return;
    if (PQputCopyData(m_conn.handle(), m_buffer.data(), static_cast<int>(m_buffer.size())) != 1) {
        // The server has ended the stream (a refused row, a lost connection): its reason comes
        // with the result.
        m_open = false;
        PQputCopyEnd(m_conn.handle(), nullptr);
        drain(m_conn);
        m_conn.fail(nullptr);
    }
    m_buffer.clear();
}

void PgCopy::finish() {
    if (!m_open)
        throw DbError("COPY already finished");
    send();
    m_open = false;
    if (PQputCopyEnd(m_conn.handle(), nullptr) != 1)
        m_conn.fail(nullptr);
    drain(m_conn);
}
