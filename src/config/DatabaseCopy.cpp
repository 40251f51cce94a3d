#include "config/DatabaseCopy.h"

#include "cfdi/FiscalTables.h"
#include "db/BusinessData.h"
#include "db/BulkInsert.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/ReadSnapshot.h"
#include "db/Schema.h"
#include "designer/FormatBackground.h"
#include "designer/FormatPaperStore.h"
#include "printing/DefaultFormats.h"

#include <algorithm>
#include <optional>
#include <cmath>
#include <cstdio>

namespace {

struct CopyTable {
    std::string name;
    std::string autoNumber;           // the column the engine numbers, if any
    std::vector<std::string> columns; // empty: those the source has
    std::string order;                // the key the rows are read in
    std::vector<std::string> sums;    // money columns
};

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::vector<CopyTable> copyTables() {
    std::vector<CopyTable> all;
    for (const TableDef& t : Schema::tables()) {
        CopyTable c{t.name, {}, {}, t.primaryKey.empty() ? "" : quoted(t.primaryKey), {}};
        for (const ColumnDef& col : t.columns) {
            c.columns.push_back(col.name);
            if (col.autoNumber)
                c.autoNumber = col.name;
            if (col.kind == ColumnKind::Double)
                c.sums.push_back(col.name);
        }
        if (t.name == "Cobros")
            c.order = "\"Id_Documento\", \"NumPago\"";
        else if (t.name == "CamposExtras")
            c.order = "\"Consec\"";
        all.push_back(std::move(c));
    }
    // The tables other parts add when first needed; each is keyed by its first column.
    for (const std::string& name : FiscalTables::names())
        all.push_back({name, {}, {}, "1", {}});
    all.push_back({CFormatBackgroundStore::kTable, {}, {}, "1", {}});
    all.push_back({CFormatPaperStore::kTable, {}, {}, "1", {}});
    all.push_back({kAddedFormatsTable, {}, {}, "1", {}});
    all.push_back({BusinessData::kTable, {}, {}, "1", {}});
    return all;
}

// Asked before the snapshot begins: on a server a failed statement would end the transaction.
bool hasTable(Database& db, const std::string& table) {
    try {
        Statement probe = db.prepare("SELECT 1 FROM " + quoted(table) + " WHERE 1 = 0");
        probe.step();
        return true;
    } catch (const DbError&) {
        return false;
    }
}

CDatabaseCopy::TableCheck check(Database& db, const CopyTable& t) {
    std::string sql = "SELECT count(*)";
    for (const std::string& c : t.sums)
        sql += ", COALESCE(sum(" + quoted(c) + "), 0)";
    Statement st = db.prepare(sql + " FROM " + quoted(t.name));
    st.step();
    CDatabaseCopy::TableCheck r{t.name, st.integer(0), {}};
    for (std::size_t i = 0; i < t.sums.size(); ++i)
        r.sums.emplace_back(t.sums[i], st.real(static_cast<int>(i + 1)));
    return r;
}

// Sums read back in another order may differ in the last bits; a peso cannot.
bool sameFigures(const CDatabaseCopy::TableCheck& a, const CDatabaseCopy::TableCheck& b) {
    if (a.rows != b.rows || a.sums.size() != b.sums.size())
        return false;
    for (std::size_t i = 0; i < a.sums.size(); ++i) {
        const double x = a.sums[i].second, y = b.sums[i].second;
        if (std::fabs(x - y) > 0.005 + 1e-12 * std::max(std::fabs(x), std::fabs(y)))
            return false;
    }
    return true;
}

std::string describe(const CDatabaseCopy::TableCheck& c) {
    std::string text = std::to_string(c.rows) + " renglones";
    for (const auto& [column, sum] : c.sums) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", sum);
        text += ", " + column + " " + buffer;
    }
    return text;
}

bool isBytesColumn(const std::string& table, const std::string& column) {
    for (const TableDef& def : Schema::tables())
        if (def.name == table)
            for (const ColumnDef& c : def.columns)
                if (c.name == column)
                    return c.kind == ColumnKind::Bytes;
    return false;
}

void copyRows(Database& source, Database& target, const CopyTable& t, std::int64_t total,
              const CDatabaseCopy::Progress& progress) {
    std::string select = "SELECT ";
    if (t.columns.empty()) {
        select += "*";
    } else {
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            select += (i ? ", " : "") + quoted(t.columns[i]);
    }
    select += " FROM " + quoted(t.name);
    if (!t.order.empty())
        select += " ORDER BY " + t.order;
    Statement read = source.prepare(select);
    std::optional<BulkInsert> write;
    std::vector<DbValue> row;
    std::vector<bool> binary;
    std::int64_t done = 0;
    while (read.step()) {
        if (!write) {
            // The column names are known for sure once a row is read, on every engine.
            std::vector<std::string> columns;
            for (int i = 0; i < read.columnCount(); ++i) {
                columns.push_back(read.columnName(i));
                binary.push_back(isBytesColumn(t.name, read.columnName(i)));
            }
            write.emplace(target, t.name, columns);
            row.resize(columns.size());
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = read.column(static_cast<int>(i));
            // Text that may hold any byte (General.In) is text in a file and binary on a server.
            if (binary[i]) {
                if (const auto* text = std::get_if<std::string>(&row[i]); text && !target.dialect().bytesAsText())
                    row[i] = Blob(text->begin(), text->end());
                else if (const auto* bytes = std::get_if<Blob>(&row[i]); bytes && target.dialect().bytesAsText())
                    row[i] = std::string(bytes->begin(), bytes->end());
            }
        }
        write->add(row);
        if (++done % 5000 == 0 && done < total && progress)
            progress(t.name, done, total);
    }
    if (write)
        write->finish();
    if (progress)
        progress(t.name, done, total);
}

// Rows inserted with their own key values leave a server's identity sequence where it was: the
// next row added there would be given a key already copied. SQLite's AUTOINCREMENT follows the
// largest key by itself.
void restartKeys(Database& db, const CopyTable& t) {
    const std::string sql = db.dialect().continueNumberingSql(t.name);
    if (!sql.empty())
        db.execute(sql);
}

} // namespace

std::vector<std::string> CDatabaseCopy::Tables() {
    std::vector<std::string> names;
    for (const CopyTable& t : copyTables())
        names.push_back(t.name);
    return names;
}

std::vector<CDatabaseCopy::TableCheck> CDatabaseCopy::Run(Database& source, const std::string& target,
                                                          const Progress& progress, const AfterTable& afterTable,
                                                          const std::string& password) {
    std::vector<CopyTable> tables;
    for (CopyTable& t : copyTables())
        if (hasTable(source, t.name))
            tables.push_back(std::move(t));

    ReadSnapshot snapshot(source);
    std::vector<TableCheck> expected;
    for (const CopyTable& t : tables)
        expected.push_back(check(source, t));

    const auto has = [&tables](const std::string& name) {
        return std::any_of(tables.begin(), tables.end(), [&name](const CopyTable& t) { return t.name == name; });
    };
    Database::create(target, [&](Database& copy) {
        // The tables added when first needed are made only when the source has them, so the copy
        // gets them, and their first rows, at its first use as the source would.
        if (has(FiscalTables::names().front()))
            FiscalTables::createTables(copy);
        if (has(CFormatBackgroundStore::kTable))
            CFormatBackgroundStore::CreateTable(copy);
        if (has(CFormatPaperStore::kTable))
            CFormatPaperStore::CreateTable(copy);
        if (has(kAddedFormatsTable))
            CreateAddedFormatsTable(copy);
        if (has(BusinessData::kTable))
            BusinessData::CreateTable(copy);
        // The seed rows of a new database make way for the source's own.
        for (auto t = tables.rbegin(); t != tables.rend(); ++t)
            copy.execute("DELETE FROM " + quoted(t->name));
        for (std::size_t i = 0; i < tables.size(); ++i) {
            copyRows(source, copy, tables[i], expected[i].rows, progress);
            restartKeys(copy, tables[i]);
            if (afterTable)
                afterTable(tables[i].name);
        }
        for (std::size_t i = 0; i < tables.size(); ++i) {
            const TableCheck written = check(copy, tables[i]);
            if (!sameFigures(written, expected[i]))
                throw DbError("La copia de la tabla " + tables[i].name + " no cuadra con el origen (origen: " +
                              describe(expected[i]) + "; copia: " + describe(written) + "); no se escribió nada.");
        }
    }, password);
    return expected;
}
