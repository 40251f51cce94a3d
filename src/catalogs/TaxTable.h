#pragma once

#include <cstdint>
#include <vector>

class Database;

// The rates of the taxes, or of the withholdings, as the article editor takes them from the
// catalogue when it opens: the "none" entry (id 0, rate 0) and one (id, rate) per row of that kind.
class CTaxTable final {
public:
    struct Entry {
        std::int32_t id = 0;
        double rate = 0;  // fraction: Porcentaje × 0.01
    };

    CTaxTable() : m_entries{Entry{}} {}
    // Reads the withholdings (`withholdings` true) or the taxes of `db`. Throws DbError.
    static CTaxTable Load(Database& db, bool withholdings);

    // Whether `id` is an entry (0, "none", always is).
    bool contains(std::int32_t id) const { return find(id) != nullptr; }
    // The rate of `id`; 0 for 0 and for an id the table does not hold (a tax deleted since, or
    // one of the other kind).
    double rateOf(std::int32_t id) const;

private:
    const Entry* find(std::int32_t id) const;

    std::vector<Entry> m_entries;
};
