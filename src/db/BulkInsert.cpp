#include "db/BulkInsert.h"

#include "db/Connection.h"
#include "db/Database.h"
#include "db/DbError.h"

BulkInsert::BulkInsert(Database& db, const std::string& table, const std::vector<std::string>& columns)
    : m_impl(db.bulkInsert(table, columns)), m_columns(columns.size()) {}

BulkInsert::~BulkInsert() = default;

void BulkInsert::add(const std::vector<DbValue>& row) {
    if (row.size() != m_columns)
        throw DbError("row has " + std::to_string(row.size()) + " values for " + std::to_string(m_columns) + " columns");
    m_impl->add(row);
}

void BulkInsert::finish() { m_impl->finish(); }
