#pragma once

#include "db/Database.h"
#include "db/Statement.h"

#include <cstdint>
#include <string>
#include <vector>

// The whole number a query answers first, e.g. its count(*).
inline std::int64_t QueryCount(Database& db, const std::string& sql, const std::vector<DbValue>& params = {}) {
    Statement st = db.prepare(sql);
    st.bindAll(params);
    st.step();
    return st.integer(0);
}

// How many rows `table` holds.
inline std::int64_t RowCount(Database& db, const std::string& table) {
    return QueryCount(db, "SELECT COUNT(*) FROM " + table);
}
