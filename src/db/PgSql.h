#pragma once

#include <string>

// Our SQL as the server reads it. The program writes one SQL for both engines; the server differs
// in a few spellings that are mapped here rather than at every call:
// - "?" placeholders become $1, $2, ... (outside literals and quoted names);
// - [Name] and "Name" become "name": tables and columns are made in lower case on the server,
//   which is also what it folds unquoted names to, so either spelling finds them;
// - in CREATE TABLE the file's type names become the server's (INTEGER → BIGINT, REAL → DOUBLE
//   PRECISION, BLOB → BYTEA, an autonumber key → an identity column);
// - in CREATE INDEX each column is placed as the file places it, Null first going up, so that the
//   lists, which order that way, read from the index.
namespace PgSql {

struct Translated {
    std::string sql;
    int parameters = 0;
    // For an INSERT: the table written, as spelt (empty otherwise).
    std::string insertTable;
};

Translated translate(const std::string& sql);

// A double as the server reads it, whatever the program's locale (its decimal separator may be a
// comma): the shortest text that reads back as the same value; NaN and the infinities spelt out.
std::string doubleText(double d);

// The spelling `name` has in `sql` when it appears there ignoring case (the server gives result
// columns in lower case); `name` itself otherwise.
std::string spellingIn(const std::string& sql, const std::string& name);

} // namespace PgSql
