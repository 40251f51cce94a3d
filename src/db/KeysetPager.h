#pragma once

#include "db/DbValue.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

class Database;
class Statement;

// One column of a list's order, ascending with empty values (Null) first.
struct KeysetOrder {
    std::string column;
    bool spanish = false;  // COLLATE ES
};

// What a paged list shows: `columns` of `table` whose rows meet `filter` (SQL with "?" taking
// `params`; empty for all), in `order` and then by `keyColumn`, the table's own identifier, which
// makes the order total so that rows with equal sort keys keep a fixed place.
struct KeysetSource {
    std::string table;
    std::vector<std::string> columns;
    std::string filter;
    std::vector<DbValue> params;
    std::vector<KeysetOrder> order;
    std::string keyColumn;
};

using KeysetRow = std::vector<DbValue>;

// Reads an ordered list a window at a time, however long it is: a row near the window is reached
// by seeking from the window's first or last row by its sort key and identifier, never by counting
// the rows before it, so the first screen, the last one and the next page cost the same on ten rows
// or a million. A far jump (a scroll bar dragged to the middle) seeks from the nearest of the rows
// sampled every `sampleEvery` rows when the rows were counted and skips on from it, so it costs
// about the same wherever it lands; before the count it skips rows from the nearer end.
//
// Rows added or deleted by others between two reads are seen or missed as a whole: a seek starts
// from the values of the row it continues, which need not exist any more, so no row is shown twice
// or skipped. The window holds at most `windowLimit` rows.
class KeysetPager final {
public:
    static constexpr long kPage = 100;
    static constexpr long kSampleEvery = 16384;

    KeysetPager(Database& db, KeysetSource source, long windowLimit = 10 * kPage, long sampleEvery = kSampleEvery);
    ~KeysetPager();
    KeysetPager(const KeysetPager&) = delete;
    KeysetPager& operator=(const KeysetPager&) = delete;

    const KeysetSource& source() const { return m_source; }
    // The columns of every row: the source's, then any order or key column it lacks.
    const std::vector<std::string>& columns() const { return m_columns; }
    // Position of `name` in columns(); -1 when absent.
    int columnIndex(const std::string& name) const;
    DbValue key(const KeysetRow& row) const { return row[static_cast<std::size_t>(m_keyIndex)]; }

    // The row at `position` (0-based) in the order; nullptr past the end. Reads around it when it
    // is not in the window. The pointer stays valid until the next call. Throws DbError.
    const KeysetRow* row(long position);
    // The number of rows, once known: after count(), or when a read reached the end.
    std::optional<long> knownCount() const { return m_count; }
    // The position just past the last row read: a lower bound of the count while it is unknown.
    long windowEnd() const { return m_start + static_cast<long>(m_rows.size()); }
    // Counts the rows now, sampling rows for far jumps on the way (the one read whose cost grows
    // with the list: a pass over its index).
    long count();
    // Forgets the window and the count, as after a change to the rows.
    void reset();

    // The seeks themselves, in the list's order: up to `n` rows just after or just before `from`
    // (nullptr: from the start, or from the end), and `n` rows after skipping `offset` from the
    // start or from the end.
    std::vector<KeysetRow> after(const KeysetRow* from, long n);
    std::vector<KeysetRow> before(const KeysetRow* from, long n);
    std::vector<KeysetRow> fromStart(long offset, long n);
    std::vector<KeysetRow> fromEnd(long offset, long n);

private:
    struct Segment {
        std::string sql;
        std::vector<DbValue> params;
    };

    std::vector<Segment> afterSegments(const KeysetRow& from) const;
    std::vector<Segment> beforeSegments(const KeysetRow& from) const;
    std::string keyTerm(std::size_t i) const;
    std::string orderBy(bool descending) const;
    // " WHERE " the filter and `segment` (empty for neither), and their values bound from 1; the
    // next parameter's index.
    std::string where(const Segment& segment) const;
    int bindWhere(Statement& st, const Segment& segment) const;
    // Reads up to `n` rows meeting the filter and `segment`, ascending or descending, after
    // skipping `offset`; appends them to `out`.
    void read(const Segment& segment, bool descending, long offset, long n, std::vector<KeysetRow>& out);
    Statement& prepared(const std::string& sql);
    void jumpTo(long position);
    // jumpTo() from the nearest sample at or before `first`; false when there is none to use.
    bool jumpBySample(long first);
    // The row `skip` rows past the one right after `from` (0: that row); none past the end.
    std::optional<KeysetRow> skipAfter(const KeysetRow& from, long skip);
    // The rows meeting the filter and `segment`, counted up to `limit`.
    long countIn(const Segment& segment, long limit);
    void trim(long keep);

    Database& m_db;
    KeysetSource m_source;
    std::vector<std::string> m_columns;
    std::vector<int> m_keyIndexes;  // order columns then the key, in m_columns
    int m_keyIndex = -1;
    std::string m_select;
    long m_windowLimit;
    std::map<std::string, Statement> m_statements;

    std::deque<KeysetRow> m_rows;
    long m_start = 0;  // position of m_rows.front()
    std::optional<long> m_count;
    // The rows at positions 0, sampleEvery, 2 sampleEvery... as counted.
    long m_sampleEvery;
    std::vector<KeysetRow> m_samples;
};
