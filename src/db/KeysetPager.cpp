#include "db/KeysetPager.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"

#include <algorithm>

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// An empty text binds as Null (see Statement::bind), so it is written as a literal instead.
bool isEmptyText(const DbValue& v) {
    const auto* s = std::get_if<std::string>(&v);
    return s && s->empty();
}

std::string conjunction(const std::vector<std::string>& terms) {
    std::string sql;
    for (const std::string& t : terms)
        sql += (sql.empty() ? "" : " AND ") + t;
    return sql;
}

// A seek further than this from the window reads from the nearer end instead.
constexpr long kNear = 3 * KeysetPager::kPage;

} // namespace

KeysetPager::KeysetPager(Database& db, KeysetSource source, long windowLimit, long sampleEvery)
    : m_db(db), m_source(std::move(source)), m_windowLimit(std::max(windowLimit, 2 * kPage)),
      m_sampleEvery(std::max(sampleEvery, kPage)) {
    m_columns = m_source.columns;
    auto indexOf = [this](const std::string& name) {
        const auto it = std::find(m_columns.begin(), m_columns.end(), name);
        if (it != m_columns.end())
            return static_cast<int>(it - m_columns.begin());
        m_columns.push_back(name);
        return static_cast<int>(m_columns.size() - 1);
    };
    for (const KeysetOrder& o : m_source.order)
        m_keyIndexes.push_back(indexOf(o.column));
    m_keyIndex = indexOf(m_source.keyColumn);
    m_keyIndexes.push_back(m_keyIndex);
    m_select = "SELECT ";
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        m_select += (i ? ", " : "") + quoted(m_columns[i]);
    m_select += " FROM " + quoted(m_source.table);
}

KeysetPager::~KeysetPager() = default;

int KeysetPager::columnIndex(const std::string& name) const {
    const auto it = std::find(m_columns.begin(), m_columns.end(), name);
    return it == m_columns.end() ? -1 : static_cast<int>(it - m_columns.begin());
}

std::string KeysetPager::keyTerm(std::size_t i) const {
    if (i == m_source.order.size())
        return quoted(m_source.keyColumn);
    const KeysetOrder& o = m_source.order[i];
    return quoted(o.column) + (o.spanish ? " COLLATE ES" : "");
}

std::string KeysetPager::orderBy(bool descending) const {
    std::string sql = " ORDER BY ";
    for (std::size_t i = 0; i < m_keyIndexes.size(); ++i)
        sql += (i ? ", " : "") + keyTerm(i) + (descending ? " DESC NULLS LAST" : " ASC NULLS FIRST");
    return sql;
}

// The rows after `from` are, nearest first: those equal to it in every sort key and with a greater
// key, then those equal in all but the last sort key and greater in it, and so on up to those
// greater in the first sort key. Each part is a plain range on an index (a row value would do in
// one, but compares Null as unknown and loses rows whose later keys are empty).
std::vector<KeysetPager::Segment> KeysetPager::afterSegments(const KeysetRow& from) const {
    std::vector<Segment> segments;
    for (std::size_t level = m_keyIndexes.size(); level-- > 0;) {
        Segment s;
        std::vector<std::string> terms;
        for (std::size_t i = 0; i <= level; ++i) {
            const DbValue& v = from[static_cast<std::size_t>(m_keyIndexes[i])];
            const std::string term = keyTerm(i);
            const bool last = i == level;
            if (isNull(v)) {
                terms.push_back(term + (last ? " IS NOT NULL" : " IS NULL"));
            } else if (isEmptyText(v)) {
                terms.push_back(term + (last ? " > ''" : " = ''"));
            } else {
                terms.push_back(term + (last ? " > ?" : " = ?"));
                s.params.push_back(v);
            }
        }
        s.sql = conjunction(terms);
        segments.push_back(std::move(s));
    }
    return segments;
}

// The mirror of afterSegments(), nearest first in descending order; Null sorts first, so below a
// value come the smaller values and then the empty ones, as two ranges.
std::vector<KeysetPager::Segment> KeysetPager::beforeSegments(const KeysetRow& from) const {
    std::vector<Segment> segments;
    for (std::size_t level = m_keyIndexes.size(); level-- > 0;) {
        const DbValue& v = from[static_cast<std::size_t>(m_keyIndexes[level])];
        if (isNull(v))
            continue;  // nothing sorts before an empty value
        Segment prefix;
        std::vector<std::string> terms;
        for (std::size_t i = 0; i < level; ++i) {
            const DbValue& p = from[static_cast<std::size_t>(m_keyIndexes[i])];
            if (isNull(p)) {
                terms.push_back(keyTerm(i) + " IS NULL");
            } else if (isEmptyText(p)) {
                terms.push_back(keyTerm(i) + " = ''");
            } else {
                terms.push_back(keyTerm(i) + " = ?");
                prefix.params.push_back(p);
            }
        }
        Segment smaller = prefix;
        std::vector<std::string> smallerTerms = terms;
        if (isEmptyText(v)) {
            smallerTerms.push_back(keyTerm(level) + " < ''");
        } else {
            smallerTerms.push_back(keyTerm(level) + " < ?");
            smaller.params.push_back(v);
        }
        smaller.sql = conjunction(smallerTerms);
        segments.push_back(std::move(smaller));
        Segment empty = prefix;
        terms.push_back(keyTerm(level) + " IS NULL");
        empty.sql = conjunction(terms);
        segments.push_back(std::move(empty));
    }
    return segments;
}

Statement& KeysetPager::prepared(const std::string& sql) {
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, m_db.prepare(sql)).first;
    Statement& st = it->second;
    st.reset();
    return st;
}

std::string KeysetPager::where(const Segment& segment) const {
    std::vector<std::string> terms;
    if (!m_source.filter.empty())
        terms.push_back("(" + m_source.filter + ")");
    if (!segment.sql.empty())
        terms.push_back("(" + segment.sql + ")");
    return terms.empty() ? std::string() : " WHERE " + conjunction(terms);
}

int KeysetPager::bindWhere(Statement& st, const Segment& segment) const {
    int index = 1;
    for (const DbValue& v : m_source.params)
        st.bind(index++, v);
    for (const DbValue& v : segment.params)
        st.bind(index++, v);
    return index;
}

void KeysetPager::read(const Segment& segment, bool descending, long offset, long n, std::vector<KeysetRow>& out) {
    if (n <= 0)
        return;
    Statement& st = prepared(m_select + where(segment) + orderBy(descending) + " LIMIT ? OFFSET ?");
    int index = bindWhere(st, segment);
    st.bind(index++, DbValue{std::int64_t{n}});
    st.bind(index, DbValue{std::int64_t{offset}});
    const int columns = static_cast<int>(m_columns.size());
    while (st.step()) {
        KeysetRow row;
        row.reserve(m_columns.size());
        for (int c = 0; c < columns; ++c)
            row.push_back(st.column(c));
        out.push_back(std::move(row));
    }
    st.reset();
}

std::vector<KeysetRow> KeysetPager::after(const KeysetRow* from, long n) {
    std::vector<KeysetRow> rows;
    if (!from) {
        read({}, false, 0, n, rows);
        return rows;
    }
    for (const Segment& s : afterSegments(*from)) {
        if (static_cast<long>(rows.size()) >= n)
            break;
        read(s, false, 0, n - static_cast<long>(rows.size()), rows);
    }
    return rows;
}

std::vector<KeysetRow> KeysetPager::before(const KeysetRow* from, long n) {
    std::vector<KeysetRow> rows;
    if (!from) {
        read({}, true, 0, n, rows);
    } else {
        for (const Segment& s : beforeSegments(*from)) {
            if (static_cast<long>(rows.size()) >= n)
                break;
            read(s, true, 0, n - static_cast<long>(rows.size()), rows);
        }
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<KeysetRow> KeysetPager::fromStart(long offset, long n) {
    std::vector<KeysetRow> rows;
    read({}, false, std::max(0L, offset), n, rows);
    return rows;
}

std::vector<KeysetRow> KeysetPager::fromEnd(long offset, long n) {
    std::vector<KeysetRow> rows;
    read({}, true, std::max(0L, offset), n, rows);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

// One pass over the list's index, from sample to sample by offset: it leaves the samples for far
// jumps and, where it ends, the count; only the samples cross over.
long KeysetPager::count() {
    m_samples.clear();
    long n = 0;
    std::vector<KeysetRow> first = fromStart(0, 1);
    if (!first.empty()) {
        m_samples.push_back(std::move(first.front()));
        while (std::optional<KeysetRow> next = skipAfter(m_samples.back(), m_sampleEvery - 1))
            m_samples.push_back(std::move(*next));
        long tail = 0;
        for (const Segment& s : afterSegments(m_samples.back()))
            tail += countIn(s, m_sampleEvery);
        n = static_cast<long>(m_samples.size() - 1) * m_sampleEvery + 1 + tail;
    }
    m_count = n;
    return n;
}

// The rows after `from` are its segments one after the other: a segment that holds fewer rows
// than are left to skip is counted and passed over, and the offset lands in the one that holds
// the row.
std::optional<KeysetRow> KeysetPager::skipAfter(const KeysetRow& from, long skip) {
    for (const Segment& s : afterSegments(from)) {
        std::vector<KeysetRow> rows;
        read(s, false, skip, 1, rows);
        if (!rows.empty())
            return std::move(rows.front());
        skip -= countIn(s, skip);
    }
    return std::nullopt;
}

long KeysetPager::countIn(const Segment& segment, long limit) {
    Statement& st = prepared("SELECT count(*) FROM (SELECT 1 FROM " + quoted(m_source.table) + where(segment) +
                             " LIMIT ?) AS q");
    st.bind(bindWhere(st, segment), DbValue{std::int64_t{limit}});
    st.step();
    const long n = static_cast<long>(st.integer(0));
    st.reset();
    return n;
}

void KeysetPager::reset() {
    m_rows.clear();
    m_start = 0;
    m_count.reset();
    m_samples.clear();
}

const KeysetRow* KeysetPager::row(long position) {
    if (position < 0 || (m_count && position >= *m_count))
        return nullptr;
    auto inWindow = [&] { return position >= m_start && position < m_start + static_cast<long>(m_rows.size()); };
    if (inWindow())
        return &m_rows[static_cast<std::size_t>(position - m_start)];
    const long end = m_start + static_cast<long>(m_rows.size());
    if (!m_rows.empty() && position >= end && position - end < kNear) {
        const long wanted = position - end + kPage;
        std::vector<KeysetRow> more = after(&m_rows.back(), wanted);
        for (KeysetRow& r : more)
            m_rows.push_back(std::move(r));
        if (static_cast<long>(more.size()) < wanted)
            m_count = m_start + static_cast<long>(m_rows.size());
    } else if (!m_rows.empty() && position < m_start && m_start - position < kNear) {
        const long wanted = std::min(m_start, m_start - position + kPage);
        std::vector<KeysetRow> more = before(&m_rows.front(), wanted);
        for (auto it = more.rbegin(); it != more.rend(); ++it)
            m_rows.push_front(std::move(*it));
        m_start -= static_cast<long>(more.size());
        if (static_cast<long>(more.size()) < wanted || m_start < 0) {
            // Fewer rows before the window than its place said: rows were deleted meanwhile, so
            // the window starts the list now and the count is to be read again.
            m_start = 0;
            m_count.reset();
        } else if (m_start == 0 && !before(&m_rows.front(), 1).empty()) {
            // Rows were added before the window: its places are stale, so read afresh from here.
            m_rows.clear();
            m_count.reset();
            jumpTo(position);
        }
    } else {
        jumpTo(position);
    }
    trim(position);
    if (m_count && position >= *m_count)
        return nullptr;
    return inWindow() ? &m_rows[static_cast<std::size_t>(position - m_start)] : nullptr;
}

bool KeysetPager::jumpBySample(long first) {
    // The sample strictly before `first`, so that the window starts among the rows after it.
    const auto index = static_cast<std::size_t>((first - 1) / m_sampleEvery);
    if (first < m_sampleEvery || index >= m_samples.size())
        return false;
    std::optional<KeysetRow> start = skipAfter(m_samples[index], first - static_cast<long>(index) * m_sampleEvery - 1);
    if (!start) {
        // Fewer rows than counted (deleted meanwhile): positions are stale, start over.
        m_samples.clear();
        m_count.reset();
        return false;
    }
    std::vector<KeysetRow> rows = after(&*start, kPage - 1);
    m_start = first;
    m_rows.push_back(std::move(*start));
    for (KeysetRow& r : rows)
        m_rows.push_back(std::move(r));
    if (static_cast<long>(rows.size()) < kPage - 1)
        m_count = m_start + static_cast<long>(m_rows.size());
    return true;
}

void KeysetPager::jumpTo(long position) {
    m_rows.clear();
    const long first = std::max(0L, position - kPage / 2);
    // Within a sample's reach of either end an offset read is as cheap.
    if (m_count && first >= m_sampleEvery && *m_count - first > m_sampleEvery && jumpBySample(first))
        return;
    std::vector<KeysetRow> rows;
    const bool nearerEnd = m_count && *m_count - 1 - position < position;
    if (nearerEnd) {
        const long offset = std::max(0L, *m_count - 1 - position - kPage / 2);
        rows = fromEnd(offset, kPage);
        if (offset == 0 && static_cast<long>(rows.size()) < kPage) {
            m_start = 0;
            m_count = static_cast<long>(rows.size());
        } else {
            m_start = std::max(0L, *m_count - offset - static_cast<long>(rows.size()));
        }
    } else {
        const long offset = std::max(0L, position - kPage / 2);
        rows = fromStart(offset, kPage);
        m_start = offset;
        if (static_cast<long>(rows.size()) < kPage && (!rows.empty() || offset == 0))
            m_count = offset + static_cast<long>(rows.size());
        else if (rows.empty())
            m_count.reset();  // shorter than its count said
    }
    for (KeysetRow& r : rows)
        m_rows.push_back(std::move(r));
}

void KeysetPager::trim(long keep) {
    while (static_cast<long>(m_rows.size()) > m_windowLimit) {
        // Drop from the side farther from the row in use.
        if (keep - m_start > m_start + static_cast<long>(m_rows.size()) - 1 - keep) {
            m_rows.pop_front();
            ++m_start;
        } else {
            m_rows.pop_back();
        }
    }
}
