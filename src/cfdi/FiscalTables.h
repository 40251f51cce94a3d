#pragma once

#include <string>
#include <vector>

class Database;

// The tables of the electronic invoice, kept apart from the ten tables of the program so that a
// file made before them still opens: ensure() adds whichever are missing and leaves the rest.
namespace FiscalTables {

// Creates the missing fiscal tables, in one transaction. Throws DbError.
void ensure(Database& db);

// The fiscal tables, each after those it refers to.
std::vector<std::string> names();
// Creates the missing ones in the caller's transaction, with no rows.
void createTables(Database& db);

} // namespace FiscalTables
