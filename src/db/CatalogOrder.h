#pragma once

#include "db/KeysetPager.h"

#include <string>
#include <vector>

class Database;

// The catalogues' Spanish order read from an index. A file keeps, beside each listed name, its
// SpanishText::sortKey in a column of its own, indexed with the row's identifier; our collation
// cannot be in the file, since the sqlite3 tool or another program must still read and write it.
// Keys are filled by the program: a row added by anyone else has none, and a trigger in plain SQL
// drops the key of a row whose name another program changed, so "no key" is the one sign that a
// key is due, found through the same index. On a server the index carries the collation itself.
namespace CatalogOrder {

struct Sorted {
    const char* table;
    const char* column;    // the name the list is ordered by
    const char* keyColumn; // its sort key (files only)
    const char* id;
};
const std::vector<Sorted>& all();

// Adds what a database lacks (column, index, trigger), then fills the missing keys. Quietly does
// nothing more when it cannot write (a read-only file, a busy one, a read-only user): the lists
// then sort by collation, as before.
void ensure(Database& db);
// Fills the keys of the rows that have none, in one write transaction of its own; the rows filled.
// Throws DbError.
long refresh(Database& db);
// The same inside the caller's transaction (nothing on a server, or before ensure() added the keys).
long refreshInTransaction(Database& db);

// The order of a list of `table` by `column`: the key column when the database has one and every
// row has its key (filled now if some lack it and the database can be written), else the column
// under the Spanish collation. Any other table or column comes back as the latter.
std::vector<KeysetOrder> listOrder(Database& db, const std::string& table, const std::string& column);

} // namespace CatalogOrder
