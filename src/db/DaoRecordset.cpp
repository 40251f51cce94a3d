#include "db/DaoRecordset.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Schema.h"

#include <algorithm>
#include <unordered_set>

namespace {

bool isIdentifier(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

} // namespace

CDaoRecordset::CDaoRecordset(Database& db) : m_db(db) {}

CDaoRecordset::~CDaoRecordset() = default;

void CDaoRecordset::Open(OpenType type, const std::string& sql, std::vector<DbValue> params) {
    Close();
    m_type = type;
    std::string source = sql.empty() ? defaultSql() : sql;
    if (source.size() > 2 && source.front() == '[' && source.back() == ']')
        source = source.substr(1, source.size() - 2);
    m_table.clear();
    m_query.clear();
    if (isIdentifier(source)) {
        m_table = source;
        FieldExchange describe(FieldExchange::Mode::Describe);
        doFieldExchange(describe);
        m_columns = describe.names();
        if (m_columns.empty())
            for (const ColumnDef& c : Schema::table(m_table).columns)
                m_columns.push_back(c.name);
    } else {
        m_query = source;
        m_queryParams = std::move(params);
    }
    m_open = true;
    Requery();
}

void CDaoRecordset::Close() {
    m_open = false;
    m_keys.clear();
    m_rows.clear();
    m_pages.clear();
    m_pageStatement.reset();
    m_current.clear();
    m_pos = -1;
    m_edit = EditMode::None;
    m_afterDelete = false;
}

std::string CDaoRecordset::whereClause(const std::string& extra) const {
    std::string where;
    if (!m_strFilter.empty())
        where = "(" + m_strFilter + ")";
    if (!extra.empty())
        where += (where.empty() ? "(" : " AND (") + extra + ")";
    return where.empty() ? where : " WHERE " + where;
}

std::vector<DbValue> CDaoRecordset::whereParams(const std::vector<DbValue>& extra) const {
    std::vector<DbValue> all = m_strFilter.empty() ? std::vector<DbValue>{} : m_filterParams;
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

void CDaoRecordset::Requery() {
    requireOpen();
    m_keys.clear();
    m_rows.clear();
    invalidatePages();
    m_afterDelete = false;
    if (!m_table.empty()) {
        m_keysByRowid = m_strSort.empty();
        const std::string order = m_keysByRowid ? " ORDER BY " + rowKey() : " ORDER BY " + m_strSort;
        Statement st = m_db.prepare("SELECT " + rowKey() + " FROM " + quoted(m_table) + whereClause() + order);
        st.bindAll(whereParams());
        while (st.step())
            m_keys.push_back(st.integer(0));
    } else {
        std::string sql = m_query;
        std::vector<DbValue> params = m_queryParams;
        if (!m_strFilter.empty() || !m_strSort.empty()) {
            sql = "SELECT * FROM (" + m_query + ") AS q" + whereClause() + (m_strSort.empty() ? "" : " ORDER BY " + m_strSort);
            const auto extra = whereParams();
            params.insert(params.end(), extra.begin(), extra.end());
        }
        Statement st = m_db.prepare(sql);
        st.bindAll(params);
        m_columns.clear();
        for (int c = 0; c < st.columnCount(); ++c)
            m_columns.push_back(st.columnName(c));
        m_rows = st.fetchAll();
    }
    m_pos = GetRecordCount() > 0 ? 0 : -1;
    loadCurrent();
}

void CDaoRecordset::requireOpen() const {
    if (!m_open)
        throw DbError("Operation is not supported for this type of object: the record set is not open.", DbError::kGeneric);
}

void CDaoRecordset::requireTable(const char* operation) const {
    requireOpen();
    if (m_table.empty() || m_type == OpenType::Snapshot)
        throw DbError(std::string("Database or object is read-only (") + operation + ").", DbError::kGeneric);
}

long CDaoRecordset::GetRecordCount() const {
    return static_cast<long>(m_table.empty() ? m_rows.size() : m_keys.size());
}

bool CDaoRecordset::IsEOF() const { return !m_open || GetRecordCount() == 0 || m_pos >= GetRecordCount(); }

bool CDaoRecordset::IsBOF() const { return !m_open || GetRecordCount() == 0 || m_pos < 0; }

void CDaoRecordset::MoveFirst() {
    requireOpen();
    m_afterDelete = false;
    m_pos = GetRecordCount() > 0 ? 0 : -1;
    loadCurrent();
}

void CDaoRecordset::MoveNext() {
    requireOpen();
    if (!m_afterDelete && m_pos < GetRecordCount())
        ++m_pos;
    m_afterDelete = false;
    loadCurrent();
}

void CDaoRecordset::MovePrev() {
    requireOpen();
    m_afterDelete = false;
    if (m_pos >= 0)
        --m_pos;
    loadCurrent();
}

void CDaoRecordset::MoveLast() {
    requireOpen();
    m_afterDelete = false;
    m_pos = GetRecordCount() - 1;
    loadCurrent();
}

long CDaoRecordset::GetAbsolutePosition() const {
    return (IsEOF() || IsBOF() || m_afterDelete) ? -1 : m_pos;
}

void CDaoRecordset::SetAbsolutePosition(long row) {
    requireOpen();
    m_afterDelete = false;
    m_pos = std::clamp(row, -1L, GetRecordCount());
    loadCurrent();
}

void CDaoRecordset::loadCurrent() {
    m_edit = EditMode::None;
    if (IsEOF() || IsBOF()) {
        m_current.clear();
        FieldExchange reset(FieldExchange::Mode::Reset);
        doFieldExchange(reset);
        return;
    }
    m_current = rowAt(m_pos);
    FieldExchange load(m_columns, m_current);
    doFieldExchange(load);
}

const std::vector<DbValue>& CDaoRecordset::rowAt(long position) {
    if (m_table.empty())
        return m_rows[static_cast<std::size_t>(position)];
    const long page = position / kPageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        fetchPage(page);
        it = m_pages.find(page);
    }
    return it->second[static_cast<std::size_t>(position % kPageSize)];
}

void CDaoRecordset::fetchPage(long page) {
    if (!m_pageStatement) {
        std::string sql = "SELECT " + rowKey();
        for (const std::string& c : m_columns)
            sql += ", " + quoted(c);
        sql += " FROM " + quoted(m_table) + " WHERE " + rowKey() + " IN (";
        for (long i = 0; i < kPageSize; ++i)
            sql += i ? ",?" : "?";
        m_pageStatement = std::make_unique<Statement>(m_db.prepare(sql + ")"));
    }
    // Keep the cache small: a list scrolled end to end does not hold every row.
    if (m_pages.size() >= 32)
        m_pages.clear();
    const long first = page * kPageSize;
    const long last = std::min<long>(first + kPageSize, static_cast<long>(m_keys.size()));
    Statement& st = *m_pageStatement;
    st.reset();
    for (long i = 0; i < kPageSize; ++i)
        st.bind(static_cast<int>(i + 1), first + i < last ? DbValue{m_keys[static_cast<std::size_t>(first + i)]} : DbValue{});
    std::unordered_map<std::int64_t, std::vector<DbValue>> byKey;
    while (st.step()) {
        std::vector<DbValue> row;
        row.reserve(m_columns.size());
        for (std::size_t c = 0; c < m_columns.size(); ++c)
            row.push_back(st.column(static_cast<int>(c + 1)));
        byKey.emplace(st.integer(0), std::move(row));
    }
    st.reset();
    std::vector<std::vector<DbValue>> rows;
    rows.reserve(static_cast<std::size_t>(last - first));
    for (long i = first; i < last; ++i) {
        auto found = byKey.find(m_keys[static_cast<std::size_t>(i)]);
        // A row deleted behind our back reads as an empty row.
        rows.push_back(found != byKey.end() ? std::move(found->second) : std::vector<DbValue>(m_columns.size()));
    }
    m_pages[page] = std::move(rows);
}

void CDaoRecordset::invalidatePages() { m_pages.clear(); }

bool CDaoRecordset::FindFirst(const std::string& condition, const std::vector<DbValue>& params) {
    requireOpen();
    if (m_table.empty())
        throw DbError("Operation is not supported for this type of object: FindFirst on a query.", DbError::kGeneric);
    Statement st = m_db.prepare("SELECT " + rowKey() + " FROM " + quoted(m_table) + whereClause(condition));
    st.bindAll(whereParams(params));
    std::unordered_set<std::int64_t> matches;
    while (st.step())
        matches.insert(st.integer(0));
    m_afterDelete = false;
    const auto it = std::find_if(m_keys.begin(), m_keys.end(), [&](std::int64_t k) { return matches.count(k) > 0; });
    m_pos = it == m_keys.end() ? GetRecordCount() : static_cast<long>(it - m_keys.begin());
    loadCurrent();
    return it != m_keys.end();
}

void CDaoRecordset::SetCurrentIndex(const std::string& indexName) {
    requireOpen();
    if (m_table.empty())
        throw DbError("Operation is not supported for this type of object: index on a query.", DbError::kGeneric);
    const TableDef& def = Schema::table(m_table);
    if (indexName == "PrimaryKey" && !def.primaryKey.empty()) {
        m_indexColumn = def.primaryKey;
        m_indexNoCase = false;
    } else if (indexName == "Clave" && m_table == "Articulos") {
        m_indexColumn = "Clave";
        m_indexNoCase = true;
    } else {
        throw DbError("'" + indexName + "' isn't an index in this table.", DbError::kGeneric);
    }
}

bool CDaoRecordset::Seek(const DbValue& key) {
    requireOpen();
    if (m_indexColumn.empty())
        throw DbError("Operation is not supported for this type of object: no current index.", DbError::kGeneric);
    Statement st = m_db.prepare("SELECT " + rowKey() + " FROM " + quoted(m_table) + " WHERE " + quoted(m_indexColumn) +
                                " = ?" + (m_indexNoCase ? " COLLATE NOCASE" : "") + " ORDER BY " + rowKey() + " LIMIT 1");
    st.bind(1, key);
    m_afterDelete = false;
    bool found = false;
    if (st.step()) {
        const std::int64_t rowid = st.integer(0);
        auto it = m_keysByRowid ? std::lower_bound(m_keys.begin(), m_keys.end(), rowid)
                                : std::find(m_keys.begin(), m_keys.end(), rowid);
        found = it != m_keys.end() && *it == rowid;
        // A table shows the table as it is now: a row that another record set added since this
        // one was opened joins its keys (in rowid order when that is the set's order).
        if (!found && m_type == OpenType::Table && m_strFilter.empty()) {
            it = m_keys.insert(it, rowid);
            found = true;
        }
        if (found)
            m_pos = static_cast<long>(it - m_keys.begin());
    }
    if (!found)
        m_pos = GetRecordCount();
    // The row is read afresh: a page read before may hold values edited elsewhere since.
    invalidatePages();
    loadCurrent();
    return found;
}

std::string CDaoRecordset::rowKey() const { return m_db.dialect().rowKey(m_table); }

std::string CDaoRecordset::autoNumberColumn() const {
    for (const ColumnDef& c : Schema::table(m_table).columns)
        if (c.autoNumber)
            return c.name;
    return {};
}

void CDaoRecordset::AddNew() {
    requireTable("AddNew");
    FieldExchange reset(FieldExchange::Mode::Reset);
    doFieldExchange(reset);
    m_edit = EditMode::Add;
}

void CDaoRecordset::Edit() {
    requireTable("Edit");
    if (IsEOF() || IsBOF() || m_afterDelete)
        throw DbError("No current record.", DbError::kGeneric);
    m_edit = EditMode::Edit;
}

void CDaoRecordset::CancelUpdate() {
    if (m_edit == EditMode::None)
        return;
    m_edit = EditMode::None;
    if (IsEOF() || IsBOF() || m_afterDelete) {
        FieldExchange reset(FieldExchange::Mode::Reset);
        doFieldExchange(reset);
    } else {
        FieldExchange load(m_columns, m_current);
        doFieldExchange(load);
    }
}

void CDaoRecordset::Update() {
    requireTable("Update");
    if (m_edit == EditMode::None)
        throw DbError("Update or CancelUpdate without AddNew or Edit.", DbError::kGeneric);
    FieldExchange store(FieldExchange::Mode::Store, m_db.dialect().bytesAsText());
    doFieldExchange(store);
    const std::string autoColumn = autoNumberColumn();
    std::vector<std::string> names;
    std::vector<DbValue> values;
    for (std::size_t i = 0; i < store.names().size(); ++i) {
        if (store.names()[i] == autoColumn)
            continue;
        names.push_back(store.names()[i]);
        values.push_back(store.values()[i]);
    }
    if (m_edit == EditMode::Add) {
        std::string cols, marks;
        for (std::size_t i = 0; i < names.size(); ++i) {
            cols += (i ? ", " : "") + quoted(names[i]);
            marks += i ? ", ?" : "?";
        }
        m_db.execute("INSERT INTO " + quoted(m_table) + " (" + cols + ") VALUES (" + marks + ")", values);
        m_lastModified = m_db.lastInsertId();
        // A dynaset shows the rows it added, at its end.
        m_keys.push_back(m_lastModified);
        m_keysByRowid = m_keysByRowid && (m_keys.size() < 2 || m_keys[m_keys.size() - 2] < m_lastModified);
    } else {
        std::string sets;
        for (std::size_t i = 0; i < names.size(); ++i)
            sets += (i ? ", " : "") + quoted(names[i]) + " = ?";
        values.push_back(m_keys[static_cast<std::size_t>(m_pos)]);
        // A row deleted through another record set since it was read: the edit would vanish.
        if (m_db.execute("UPDATE " + quoted(m_table) + " SET " + sets + " WHERE " + rowKey() + " = ?", values) == 0)
            throw DbError("Record is deleted.", DbError::kGeneric);
        m_lastModified = m_keys[static_cast<std::size_t>(m_pos)];
    }
    m_edit = EditMode::None;
    invalidatePages();
    // The members now hold what was written, with the identifier the engine gave.
    if (!IsEOF() && !IsBOF() && !m_afterDelete)
        m_current = rowAt(m_pos);
    if (!autoColumn.empty()) {
        FieldExchange written(FieldExchange::Mode::Store, m_db.dialect().bytesAsText());
        doFieldExchange(written);
        std::vector<DbValue> row = written.values();
        for (std::size_t i = 0; i < written.names().size(); ++i)
            if (written.names()[i] == autoColumn)
                row[i] = m_lastModified;
        FieldExchange load(written.names(), row);
        doFieldExchange(load);
    }
}

void CDaoRecordset::Delete() {
    requireTable("Delete");
    if (IsEOF() || IsBOF() || m_afterDelete)
        throw DbError("No current record.", DbError::kGeneric);
    m_db.execute("DELETE FROM " + quoted(m_table) + " WHERE " + rowKey() + " = ?", {m_keys[static_cast<std::size_t>(m_pos)]});
    m_keys.erase(m_keys.begin() + m_pos);
    invalidatePages();
    m_current.clear();
    m_afterDelete = true;
    m_edit = EditMode::None;
}

std::int64_t CDaoRecordset::GetBookmark() const {
    if (IsEOF() || IsBOF() || m_afterDelete)
        throw DbError("No current record.", DbError::kGeneric);
    return m_table.empty() ? m_pos : m_keys[static_cast<std::size_t>(m_pos)];
}

void CDaoRecordset::SetBookmark(std::int64_t bookmark) {
    requireOpen();
    m_afterDelete = false;
    if (m_table.empty()) {
        m_pos = static_cast<long>(bookmark);
    } else {
        const auto it = std::find(m_keys.begin(), m_keys.end(), bookmark);
        if (it == m_keys.end())
            throw DbError("Not a valid bookmark.", DbError::kGeneric);
        m_pos = static_cast<long>(it - m_keys.begin());
    }
    loadCurrent();
}

std::vector<std::string> CDaoRecordset::FieldNames() {
    FieldExchange describe(FieldExchange::Mode::Describe);
    doFieldExchange(describe);
    if (!describe.names().empty())
        return describe.names();
    std::string table = defaultSql();
    if (table.size() > 2 && table.front() == '[' && table.back() == ']')
        table = table.substr(1, table.size() - 2);
    std::vector<std::string> names;
    for (const ColumnDef& c : Schema::table(table).columns)
        names.push_back(c.name);
    return names;
}

void CDaoRecordset::LoadFields(const std::vector<std::string>& names, const std::vector<DbValue>& row) {
    FieldExchange load(names, row);
    doFieldExchange(load);
}

DbValue CDaoRecordset::GetFieldValue(const std::string& name) const {
    const auto it = std::find(m_columns.begin(), m_columns.end(), name);
    if (it == m_columns.end())
        throw DbError("Item not found in this collection: " + name + ".", DbError::kGeneric);
    const auto i = static_cast<std::size_t>(it - m_columns.begin());
    return i < m_current.size() ? m_current[i] : DbValue{};
}
