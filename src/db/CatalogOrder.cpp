#include "db/CatalogOrder.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/SpanishText.h"
#include "db/Statement.h"
#include "db/Transaction.h"

namespace {

std::string q(const std::string& name) { return "\"" + name + "\""; }

std::string indexName(const CatalogOrder::Sorted& s) { return std::string(s.table) + "_Orden"; }
std::string triggerName(const CatalogOrder::Sorted& s) { return std::string(s.keyColumn) + "_Viejo"; }

bool hasColumn(Database& db, const std::string& table, const std::string& column) {
    try {
        Statement probe = db.prepare("SELECT " + q(column) + " FROM " + q(table) + " LIMIT 0");
        return true;
    } catch (const DbError&) {
        return false;
    }
}

bool hasTrigger(Database& db, const std::string& name) {
    Statement st = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name = ?");
    st.bind(1, name);
    return st.step();
}

bool complete(Database& db, const CatalogOrder::Sorted& s) {
    return hasColumn(db, s.table, s.keyColumn) && db.hasIndex(indexName(s)) && hasTrigger(db, triggerName(s));
}

bool anyMissing(Database& db, const CatalogOrder::Sorted& s) {
    Statement st = db.prepare("SELECT 1 FROM " + q(s.table) + " WHERE " + q(s.keyColumn) + " IS NULL LIMIT 1");
    return st.step();
}

void addTo(Database& db, const CatalogOrder::Sorted& s) {
    const std::string table = q(s.table), key = q(s.keyColumn), column = q(s.column), id = q(s.id);
    if (!hasColumn(db, s.table, s.keyColumn))
        db.execute("ALTER TABLE " + table + " ADD COLUMN " + key + " BLOB");
    db.execute("CREATE INDEX IF NOT EXISTS " + q(indexName(s)) + " ON " + table + "(" + key + ", " + id + ")");
    // A name changed by a statement that leaves the key alone (another program's) loses its key.
    db.execute("CREATE TRIGGER IF NOT EXISTS " + q(triggerName(s)) + " AFTER UPDATE OF " + column + " ON " + table +
               " WHEN new." + key + " IS old." + key + " AND new." + column + " IS NOT old." + column +
               " BEGIN UPDATE " + table + " SET " + key + " = NULL WHERE " + id + " = new." + id + "; END");
}

// On a server the collation exists there, so the index holds the list's order directly; Null
// first, as the lists read it.
void addServerIndex(Database& db, const CatalogOrder::Sorted& s) {
    if (db.hasIndex(indexName(s)))
        return;
    db.execute("CREATE INDEX IF NOT EXISTS " + q(indexName(s)) + " ON " + q(s.table) + " (" + q(s.column) +
               " COLLATE ES NULLS FIRST, " + q(s.id) + " NULLS FIRST)");
}

Blob toBlob(const std::string& key) { return Blob(key.begin(), key.end()); }

} // namespace

namespace CatalogOrder {

const std::vector<Sorted>& all() {
    static const std::vector<Sorted> list = {
        {"Clientes", "Nombre", "OrdenNombre", "Id_Cliente"},
        {"Articulos", "Descripcion", "OrdenDescripcion", "Id_Articulo"},
    };
    return list;
}

void ensure(Database& db) {
    try {
        if (db.dialect().isServer()) {
            for (const Sorted& s : all())
                addServerIndex(db, s);
            return;
        }
        bool lacking = false;
        for (const Sorted& s : all())
            lacking = lacking || !complete(db, s);
        if (lacking) {
            Transaction tx(db);
            for (const Sorted& s : all())
                addTo(db, s);
            refreshInTransaction(db);
            tx.commit();
            return;
        }
        refresh(db);
    } catch (const DbError&) {
        // Read-only or busy: the lists sort by collation until an opening that can write.
    }
}

long refreshInTransaction(Database& db) {
    // In batches read before they are written: a statement reading the index while its rows
    // change under it would see them move.
    constexpr std::int64_t kBatch = 2000;
    long filled = 0;
    if (db.dialect().isServer())
        return 0;
    for (const Sorted& s : all()) {
        if (!hasColumn(db, s.table, s.keyColumn))
            continue;
        Statement missing = db.prepare("SELECT " + q(s.id) + ", " + q(s.column) + " FROM " + q(s.table) + " WHERE " +
                                       q(s.keyColumn) + " IS NULL LIMIT ?");
        Statement write = db.prepare("UPDATE " + q(s.table) + " SET " + q(s.keyColumn) + " = ? WHERE " + q(s.id) + " = ?");
        for (;;) {
            missing.reset();
            missing.bind(1, DbValue{kBatch});
            const std::vector<std::vector<DbValue>> rows = missing.fetchAll();
            for (const std::vector<DbValue>& row : rows) {
                const std::string key =
                    isNull(row[1]) ? SpanishText::nullSortKey() : SpanishText::sortKey(valueToText(row[1]));
                write.reset();
                write.bind(1, DbValue{toBlob(key)});
                write.bind(2, row[0]);
                write.execute();
            }
            filled += static_cast<long>(rows.size());
            if (static_cast<std::int64_t>(rows.size()) < kBatch)
                break;
        }
    }
    return filled;
}

long refresh(Database& db) {
    bool due = false;
    for (const Sorted& s : all())
        due = due || (hasColumn(db, s.table, s.keyColumn) && anyMissing(db, s));
    if (!due)
        return 0;
    Transaction tx(db);
    const long filled = refreshInTransaction(db);
    tx.commit();
    return filled;
}

std::vector<KeysetOrder> listOrder(Database& db, const std::string& table, const std::string& column) {
    const std::vector<KeysetOrder> collated = {{column, true}};
    if (db.dialect().isServer())
        return collated;
    for (const Sorted& s : all()) {
        if (table != s.table || column != s.column)
            continue;
        if (!hasColumn(db, s.table, s.keyColumn))
            return collated;
        try {
            refresh(db);
        } catch (const DbError&) {
            // Cannot write now: rows without a key would sort first, so the collation decides.
            if (anyMissing(db, s))
                return collated;
        }
        return {{s.keyColumn, false}};
    }
    return collated;
}

} // namespace CatalogOrder
