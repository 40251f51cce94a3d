#pragma once

#include "db/DbValue.h"
#include "db/FieldExchange.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Database;
class Statement;

enum class OpenType { Table, Dynaset, Snapshot };

// A record set in the manner of the old DAO layer: open on a table (or a SELECT), move through its
// rows, find, seek, add, edit, delete. Over a table it loads the row keys once per open or requery
// and fetches the rows themselves a page at a time, so a grid that shows row 90,000 of a list
// neither runs a query per painted cell nor reads the rows before it. A SELECT is read whole.
//
// Filters and conditions are SQL with "?" placeholders; their values are bound, never pasted in.
// Subclasses bind their member variables to columns in doFieldExchange().
class CDaoRecordset {
public:
    explicit CDaoRecordset(Database& db);
    virtual ~CDaoRecordset();
    CDaoRecordset(const CDaoRecordset&) = delete;
    CDaoRecordset& operator=(const CDaoRecordset&) = delete;

    // Set before Open: a condition with "?" placeholders and its values, and an ORDER BY list.
    std::string m_strFilter;
    std::vector<DbValue> m_filterParams;
    std::string m_strSort;

    // `sql` empty opens the class's own table; "[Tabla]" or a bare table name opens that table;
    // anything else is a SELECT whose "?" take `params`.
    void Open(OpenType type = OpenType::Dynaset, const std::string& sql = {}, std::vector<DbValue> params = {});
    void Close();
    bool IsOpen() const { return m_open; }
    void Requery();

    long GetRecordCount() const;
    bool IsEOF() const;
    bool IsBOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrev();
    void MoveLast();
    // 0-based row of the set; -1 when there is no current row.
    long GetAbsolutePosition() const;
    void SetAbsolutePosition(long row);

    // The first row, in the set's order, that also meets `condition`. False leaves no current row.
    bool FindFirst(const std::string& condition, const std::vector<DbValue>& params = {});
    // Table-type seeks with "=": "PrimaryKey" (the table's identifier) or "Clave" (case-insensitive).
    void SetCurrentIndex(const std::string& indexName);
    bool Seek(const DbValue& key);

    void AddNew();
    void Edit();
    // Writes the members of an AddNew or Edit. AutoNumber columns are never written; the new
    // identifier is read back into its member at once.
    void Update();
    void CancelUpdate();
    void Delete();

    // Row keys: the last row added or edited, and the current row.
    std::int64_t GetLastModifiedBookmark() const { return m_lastModified; }
    std::int64_t GetBookmark() const;
    void SetBookmark(std::int64_t bookmark);

    // A column of the current row by name; Null when there is no current row.
    DbValue GetFieldValue(const std::string& name) const;
    const std::vector<std::string>& columnNames() const { return m_columns; }

    // The columns the members are bound to (the table's, for a set that binds none), open or not.
    std::vector<std::string> FieldNames();
    // Fills the members from a row read elsewhere (a paged list's), leaving the set as it is.
    void LoadFields(const std::vector<std::string>& names, const std::vector<DbValue>& row);

    Database& database() { return m_db; }

protected:
    // The class's own source, such as "[Documentos]".
    virtual std::string defaultSql() const = 0;
    virtual void doFieldExchange(FieldExchange&) {}

private:
    enum class EditMode { None, Edit, Add };
    static constexpr long kPageSize = 100;

    void requireOpen() const;
    void requireTable(const char* operation) const;
    void loadCurrent();
    const std::vector<DbValue>& rowAt(long position);
    void fetchPage(long page);
    void invalidatePages();
    std::string whereClause(const std::string& extra = {}) const;
    std::vector<DbValue> whereParams(const std::vector<DbValue>& extra = {}) const;
    std::string autoNumberColumn() const;
    // The column that keys the table's rows in the order they were added.
    std::string rowKey() const;

    Database& m_db;
    bool m_open = false;
    OpenType m_type = OpenType::Dynaset;
    std::string m_table;          // empty for a SELECT
    std::string m_query;          // the SELECT, when not a table
    std::vector<DbValue> m_queryParams;
    std::vector<std::string> m_columns;
    std::string m_indexColumn;
    bool m_indexNoCase = false;

    // Table source: keys in order, rows fetched by page. SELECT source: every row.
    std::vector<std::int64_t> m_keys;
    bool m_keysByRowid = true;
    std::unordered_map<long, std::vector<std::vector<DbValue>>> m_pages;
    std::unique_ptr<Statement> m_pageStatement;
    std::vector<std::vector<DbValue>> m_rows;

    long m_pos = -1;
    bool m_afterDelete = false;
    std::vector<DbValue> m_current;
    EditMode m_edit = EditMode::None;
    std::int64_t m_lastModified = 0;
};
