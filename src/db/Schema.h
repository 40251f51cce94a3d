#pragma once

#include <string>
#include <vector>

class Database;

// `Bytes`: text that may hold any byte (the scrambled access password): a TEXT column in a file,
// as it has always been, and binary on a server, whose text takes neither a zero byte nor bytes
// that are not UTF-8.
enum class ColumnKind { Long, Text, Double, Date, Bool, Binary, Bytes };

struct ColumnDef {
    std::string name;
    ColumnKind kind;
    bool autoNumber = false;
};

struct IndexDef {
    const char* name;
    const char* createSql; // CREATE INDEX IF NOT EXISTS ...
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns; // in binding order
    // The column of the index "PrimaryKey", when the table has one.
    std::string primaryKey;
};

// The ten tables of a database of ours, their columns in binding order, indexes and relations.
namespace Schema {

// Marks the file as ours (PRAGMA application_id): "QVL2".
constexpr int kApplicationId = 0x51564C32;
// General.Version of the databases this program makes.
constexpr int kGeneralVersion = 200;

const std::vector<TableDef>& tables();
const TableDef& table(const std::string& name);

// The plain indexes behind the lookups, lists and reports. A file made before one of them gets it
// at its opening (KeyIndexes::addWhereAllowed).
const std::vector<IndexDef>& lookupIndexes();
// Indexes that a later one in lookupIndexes() makes redundant; dropped when that one is added.
const std::vector<std::string>& supersededIndexes();

// Creates every table and index and writes the seed rows (the General row, the ten extra-field
// rows, the usual Mexican taxes). The caller runs it inside a transaction on an empty database.
void create(Database& db);

} // namespace Schema
