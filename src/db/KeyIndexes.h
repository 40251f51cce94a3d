#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Database;

// The unique keys that stop two stations from storing the same document twice: one document per
// series and folio (a document without series counts as series "", so Null and "" are one
// value) and one payment number per document.
namespace KeyIndexes {

// Series and folio stored more than once, or a payment number repeated within a document.
struct Repeated final {
    std::string serie;
    std::int64_t folio = 0;
    std::int64_t numPago = 0;  // 0 for a repeated folio
    std::int64_t count = 0;
};

// Creates both indexes; for a new, empty database (inside its creation transaction).
void create(Database& db);
// On a file made before the indexes: adds each key whose data allows it, and the lookup indexes
// of Schema::lookupIndexes() it lacks, in one write transaction. A file with repeated keys, or one another program keeps busy, stays as it is (see
// the lists below) and is tried again at the next opening.
void addWhereAllowed(Database& db);

// Names of the lookup indexes the file lacks (empty once it has all of them).
std::vector<std::string> missingLookupIndexes(Database& db);
bool hasFolioIndex(Database& db);
bool hasPaymentIndex(Database& db);
// The repeated keys, in series and folio order (at most `limit` of each).
std::vector<Repeated> repeatedFolios(Database& db, int limit = 100);
std::vector<Repeated> repeatedPaymentNumbers(Database& db, int limit = 100);

} // namespace KeyIndexes
