#include "db/PgStatement.h"

#include "db/DbError.h"
#include "db/PgConnection.h"
#include "db/PgSql.h"
#include "db/Schema.h"

#include <libpq-fe.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701, kNumeric = 1700;

// Locale-independent, as doubleText(): the program runs under the operator's locale, whose
// decimal separator may be a comma.
double parseDouble(const char* text) {
    if (std::strcmp(text, "NaN") == 0)
        return std::numeric_limits<double>::quiet_NaN();
    if (std::strcmp(text, "Infinity") == 0)
        return std::numeric_limits<double>::infinity();
    if (std::strcmp(text, "-Infinity") == 0)
        return -std::numeric_limits<double>::infinity();
    double d = 0;
    std::from_chars(text, text + std::strlen(text), d);
    return d;
}

// The schema's spelling of a column the server gives in lower case.
std::string schemaSpelling(const std::string& name) {
    for (const TableDef& t : Schema::tables())
        for (const ColumnDef& c : t.columns)
            if (c.name.size() == name.size()) {
                bool same = true;
                for (std::size_t i = 0; same && i < name.size(); ++i)
                    same = std::tolower(static_cast<unsigned char>(c.name[i])) == name[i];
                if (same)
                    return c.name;
            }
    return name;
}

} // namespace

PgStatement::PgStatement(PgConnection& conn, const std::string& sql) : m_conn(conn), m_original(sql) {
    PgSql::Translated t = PgSql::translate(sql);
    m_sql = std::move(t.sql);
    m_parameters = t.parameters;
    // An insert into one of our tables hands back its row key, so lastInsertId() takes no second
    // trip to the server.
    if (!t.insertTable.empty()) {
        for (const TableDef& def : Schema::tables()) {
            if (def.name.size() != t.insertTable.size())
                continue;
            bool same = true;
            for (std::size_t i = 0; same && i < def.name.size(); ++i)
                same = std::tolower(static_cast<unsigned char>(def.name[i])) ==
                       std::tolower(static_cast<unsigned char>(t.insertTable[i]));
            if (same) {
                m_returning = PgSql::translate(conn.rowKey(def.name)).sql;
                m_sql += " RETURNING " + m_returning;
            }
        }
    }
    m_values.resize(static_cast<std::size_t>(m_parameters));
    m_binary.assign(static_cast<std::size_t>(m_parameters), 0);
}

PgStatement::~PgStatement() { clearResult(); }

void PgStatement::clearResult() {
    PQclear(m_result);
    m_result = nullptr;
    m_ran = false;
    m_row = -1;
    m_rows = 0;
}

void PgStatement::bind(int index, const DbValue& value) {
    if (index < 1 || index > m_parameters)
        throw DbError("column index out of range", 25);  // SQLITE_RANGE
    const auto i = static_cast<std::size_t>(index - 1);
    m_binary[i] = 0;
    if (auto n = std::get_if<std::int64_t>(&value)) {
        m_values[i] = std::to_string(*n);
    } else if (auto d = std::get_if<double>(&value)) {
        m_values[i] = PgSql::doubleText(*d);
    } else if (auto s = std::get_if<std::string>(&value)) {
        // Empty text is stored as Null, as on the file.
        m_values[i] = s->empty() ? std::nullopt : std::optional<std::string>(*s);
    } else if (auto b = std::get_if<Blob>(&value)) {
        m_values[i] = std::string(b->begin(), b->end());
        m_binary[i] = 1;
    } else {
        m_values[i] = std::nullopt;
    }
}

void PgStatement::run() {
    clearResult();
    std::vector<const char*> values(m_values.size());
    std::vector<int> lengths(m_values.size());
    std::vector<Oid> types(m_values.size(), 0);
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        values[i] = m_values[i] ? m_values[i]->c_str() : nullptr;
        lengths[i] = m_values[i] ? static_cast<int>(m_values[i]->size()) : 0;
        if (m_binary[i])
            types[i] = kBytea;
    }
    PGresult* r = nullptr;
    for (bool resent = false;; resent = true) {
        if (!m_conn.prepareToRun(m_original)) {
            m_ran = true;
            m_changes = 0;
            return;
        }
        const int n = m_parameters;
        const std::string* name = m_conn.preparedName(m_sql, n);
        r = name ? PQexecPrepared(m_conn.handle(), name->c_str(), n, values.data(), lengths.data(), m_binary.data(), 0)
                 : PQexecParams(m_conn.handle(), m_sql.c_str(), n, types.data(), values.data(), lengths.data(),
                                m_binary.data(), 0);
        const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        const bool failed = status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
        if (m_conn.ran(m_original, failed, resent)) {
            PQclear(r);
            continue;
        }
        if (!failed && m_conn.dropCommitReply(m_original)) {
            PQclear(r);
            m_conn.fail(nullptr);
        }
        if (failed) {
            try {
                m_conn.fail(r);
            } catch (...) {
                PQclear(r);
                throw;
            }
        }
        break;
    }
    m_result = r;
    m_ran = true;
    const char* changed = PQcmdTuples(r);
    m_changes = changed && *changed ? std::atoi(changed) : 0;
    m_rows = PQntuples(r);
    if (!m_returning.empty()) {
        if (m_rows > 0)
            m_conn.setLastInsertId(std::strtoll(PQgetvalue(r, m_rows - 1, 0), nullptr, 10));
        m_rows = 0;  // the insert itself returns no rows to the caller
    }
}

bool PgStatement::step() {
    if (!m_ran)
        run();
    if (m_row < m_rows)
        ++m_row;
    return m_row < m_rows;
}

void PgStatement::reset() {
    clearResult();
    for (auto& v : m_values)
        v.reset();
    m_binary.assign(m_binary.size(), 0);
}

int PgStatement::columnCount() const {
    if (!m_ran)
        const_cast<PgStatement*>(this)->run();
    return PQnfields(m_result);
}

std::string PgStatement::columnName(int column) const {
    if (!m_ran)
        const_cast<PgStatement*>(this)->run();
    const char* name = PQfname(m_result, column);
    if (!name)
        return {};
    const std::string spelt = PgSql::spellingIn(m_original, name);
    return spelt == name ? schemaSpelling(spelt) : spelt;
}

DbValue PgStatement::column(int column) const {
    if (!m_result || m_row < 0 || m_row >= m_rows || column < 0 || column >= PQnfields(m_result) ||
        PQgetisnull(m_result, m_row, column))
        return std::monostate{};
    const char* text = PQgetvalue(m_result, m_row, column);
    switch (PQftype(m_result, column)) {
    case kBool:
        return std::int64_t{text[0] == 't' ? 1 : 0};
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return static_cast<std::int64_t>(std::strtoll(text, nullptr, 10));
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return parseDouble(text);
    case kBytea: {
        std::size_t length = 0;
        unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        Blob blob(bytes, bytes + length);
        PQfreemem(bytes);
        return blob;
    }
    default:
        return std::string(text, static_cast<std::size_t>(PQgetlength(m_result, m_row, column)));
    }
}
