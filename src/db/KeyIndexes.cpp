#include "db/KeyIndexes.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Schema.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace {

constexpr const char* kFolioIndex = "Documentos_Folio";
constexpr const char* kPaymentIndex = "Cobros_NumPago";
// Lookups by series and folio use Documentos_SerieFolioFecha; this one only enforces.
constexpr const char* kCreateFolioIndex =
    "CREATE UNIQUE INDEX IF NOT EXISTS Documentos_Folio ON Documentos((COALESCE(Serie, '')), Folio)";
// Serves the lookups of a document's payments as well.
constexpr const char* kCreatePaymentIndex =
    "CREATE UNIQUE INDEX IF NOT EXISTS Cobros_NumPago ON Cobros(Id_Documento, NumPago)";

bool hasIndex(Database& db, const char* name) { return db.hasIndex(name); }

bool exists(Database& db, const std::string& sql) {
    Statement st = db.prepare("SELECT EXISTS (" + sql + ")");
    st.step();
    return st.integer(0) != 0;
}

const std::string kFolioGroups =
    "SELECT COALESCE(Serie, '') AS s, Folio, count(*) AS n FROM Documentos GROUP BY s, Folio HAVING count(*) > 1";
const std::string kPaymentGroups =
    "SELECT c.Id_Documento, c.NumPago, count(*) AS n FROM Cobros c GROUP BY c.Id_Documento, c.NumPago HAVING count(*) > 1";

} // namespace

namespace KeyIndexes {

void create(Database& db) {
    db.execute(kCreateFolioIndex);
    db.execute(kCreatePaymentIndex);
}

void addWhereAllowed(Database& db) {
    // Checked first so that a reader never takes the write lock when nothing is missing.
    if (hasFolioIndex(db) && hasPaymentIndex(db) && missingLookupIndexes(db).empty())
        return;
    try {
        // Checked and created under the write lock: another station adding the same folio
        // meanwhile cannot slip between the check and the index.
        Transaction tx(db);
        if (!hasIndex(db, kFolioIndex) && !exists(db, kFolioGroups))
            db.execute(kCreateFolioIndex);
        if (!hasIndex(db, kPaymentIndex) && !exists(db, kPaymentGroups)) {
            db.execute(kCreatePaymentIndex);
            db.execute("DROP INDEX IF EXISTS Cobros_Documento");  // the same columns, now unique
        }
        // Plain indexes take no check; on a large file this is the slow part of the first opening.
        if (!missingLookupIndexes(db).empty()) {
            for (const IndexDef& index : Schema::lookupIndexes())
                db.execute(index.createSql);
            for (const std::string& name : Schema::supersededIndexes())
                db.execute("DROP INDEX IF EXISTS \"" + name + "\"");
        }
        tx.commit();
    } catch (const DbError&) {
        // Another station holding the file busy is no reason to refuse opening it: the keys are
        // added at a later opening, and the saves check the folio in their own transaction anyway.
    }
}

std::vector<std::string> missingLookupIndexes(Database& db) {
    std::vector<std::string> missing;
    for (const IndexDef& index : Schema::lookupIndexes())
        if (!hasIndex(db, index.name))
            missing.emplace_back(index.name);
    return missing;
}

bool hasFolioIndex(Database& db) { return hasIndex(db, kFolioIndex); }
bool hasPaymentIndex(Database& db) { return hasIndex(db, kPaymentIndex); }

std::vector<Repeated> repeatedFolios(Database& db, int limit) {
    std::vector<Repeated> list;
    Statement st = db.prepare(kFolioGroups + " ORDER BY s, Folio LIMIT ?");
    st.bind(1, std::int64_t{limit});
    while (st.step())
        list.push_back({st.text(0), st.integer(1), 0, st.integer(2)});
    return list;
}

std::vector<Repeated> repeatedPaymentNumbers(Database& db, int limit) {
    std::vector<Repeated> list;
    Statement st = db.prepare("SELECT COALESCE(d.Serie, ''), d.Folio, r.NumPago, r.n FROM (" + kPaymentGroups +
                              ") r LEFT JOIN Documentos d ON d.Id_Documento = r.Id_Documento "
                              "ORDER BY 1, 2, 3 LIMIT ?");
    st.bind(1, std::int64_t{limit});
    while (st.step())
        list.push_back({st.text(0), st.integer(1), st.integer(2), st.integer(3)});
    return list;
}

} // namespace KeyIndexes
