#pragma once

#include <cstdint>
#include <vector>

class Database;

// The rates of the taxes, or of the withholdings, as the article editor offers them: entry 0 is
// "none" (id 0, rate 0), entries 1 … n the catalogue's in name order (Spanish collation, ties by
// id), so entry i + 1 belongs to the i-th name of the matching drop-down list.
class CTaxTable final {
public:
    struct Entry {
        std::int32_t id = 0;
        double rate = 0;  // fraction: Porcentaje × 0.01
    };

    CTaxTable() : m_entries{Entry{}} {}
    // Reads the withholdings (`withholdings` true) or the taxes of `db`. Throws DbError.
    static CTaxTable Load(Database& db, bool withholdings);

    int size() const { return static_cast<int>(m_entries.size()); }
    // Entry `index`; entry 0 for an index out of range.
    const Entry& at(int index) const;
    // The index of the entry with `id`; -1 when no entry has it (id 0 is entry 0).
    int indexOf(std::int32_t id) const;
    // The rate of `id`; 0 for 0 and for an id the table does not hold.
    double rateOf(std::int32_t id) const;

private:
    std::vector<Entry> m_entries;
};
