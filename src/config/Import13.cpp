#include "config/Import13.h"

#include "config/OldDatabase.h"
#include "config/OldDatabaseProcess.h"
#include "db/CatalogOrder.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Transaction.h"
#include "printing/FormatStore.h"
#include "printing/OldFormat.h"
#include "printing/WindowsFormat.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <set>

namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

// "IVA 15.00 %": two decimals with a point whatever the locale.
std::string TaxName(double percent) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, percent, std::chars_format::fixed, 2);
    return "IVA " + std::string(buf, r.ec == std::errc() ? r.ptr : buf) + " %";
}

// Ids of the articles whose key equals `key` but for case, as the old engine's index seek found them.
std::vector<std::int64_t> ArticlesByKey(Database& db, const std::string& key) {
    Statement s = db.prepare("SELECT Id_Articulo FROM Articulos WHERE Clave = ? COLLATE NOCASE");
    s.bind(1, key);
    std::vector<std::int64_t> ids;
    while (s.step())
        ids.push_back(s.integer(0));
    return ids;
}

// The first tax (not a withholding) with exactly this percentage, or a new one named after it.
// Withholdings are left out: "Ret. ISR" at 10 % is no tax to charge on a 10 % article.
std::int64_t TaxFor(Database& db, double percent, int& added) {
    Statement s = db.prepare(
        "SELECT Id_Impuesto FROM Impuestos WHERE Porcentaje = ? AND Retencion = 0 ORDER BY Id_Impuesto LIMIT 1");
    s.bind(1, percent);
    if (s.step())
        return s.integer(0);
    db.execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, 0)", {TaxName(percent), percent});
    ++added;
    return db.lastInsertId();
}

bool CustomerExists(Database& db, const std::string& name) {
    Statement s = db.prepare("SELECT 1 FROM Clientes WHERE Nombre = ? COLLATE NOCASE LIMIT 1");
    s.bind(1, name);
    return s.step();
}

// The key as the engine's NOCASE compares it: ASCII letters folded.
std::string Folded(std::string key) {
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// Thrown from a row to roll the transaction back when the operator cancels.
struct Cancelled {};

} // namespace

CImport13::Result CImport13::Run(Database& db, const std::string& oldPath, const Progress& progress, const Cancel& cancel) {
    COldDatabase old;
    COldDatabaseProcess reader;
    if (!reader.Read(oldPath, old, cancel)) {
        Result r;
        r.cancelled = reader.Cancelled();
        r.message = r.cancelled ? kMsgCancelled : reader.Error();
        return r;
    }
    return Run(db, old, progress, cancel);
}

CImport13::Result CImport13::Run(Database& db, const COldDatabase& old, const Progress& progress, const Cancel& cancel) {
    Result r;
    if (old.Version != kVersion) {
        r.message = kMsgWrongVersion;
        return r;
    }
    const int total = static_cast<int>(old.Articles.size() + old.Customers.size() + old.Formats.size());
    int done = 0;
    auto step = [&] {
        ++done;
        if (progress)
            progress(done, total);
        if (cancel && cancel())
            throw Cancelled();
    };
    try {
        Transaction t(db);
        std::set<std::int64_t> addedHere;
        std::set<std::string> keysHere; // the old file's keys imported so far, exactly as written
        std::set<std::string> fileKeys;  // every key of the old file, folded: no free key takes one
        for (const COldDatabase::Article& a : old.Articles)
            fileKeys.insert(Folded(a.Clave));
        for (const COldDatabase::Article& a : old.Articles) {
            step();
            // No article without a key; a key repeated exactly in the old file is the same article.
            if (Blank(a.Clave) || keysHere.count(a.Clave)) {
                ++r.articlesLeftOut;
                continue;
            }
            std::string key = a.Clave;
            if (const std::vector<std::int64_t> found = ArticlesByKey(db, key); !found.empty()) {
                // An article that was there before stays untouched. One added by this import from
                // a key differing only by case is another article of the old file: it gets a free key.
                bool before = false;
                for (std::int64_t id : found)
                    before = before || !addedHere.count(id);
                if (before) {
                    ++r.articlesLeftOut;
                    continue;
                }
                for (int n = 2;; ++n) {
                    key = a.Clave + "-" + std::to_string(n);
                    if (!fileKeys.count(Folded(key)) && ArticlesByKey(db, key).empty())
                        break;
                }
                r.renamedKeys.emplace_back(a.Clave, key);
            }
            keysHere.insert(a.Clave);
            const std::int64_t tax = TaxFor(db, a.Impuesto, r.taxes);
            db.execute("INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1, PrecioNeto) VALUES (?, ?, ?, ?, ?)",
                       {key, a.Descripcion, a.Precio, tax, (a.Impuesto * 0.01 + 1) * a.Precio});
            addedHere.insert(db.lastInsertId());
            ++r.articles;
        }
        for (const COldDatabase::Customer& c : old.Customers) {
            step();
            if (Blank(c.Nombre) || CustomerExists(db, c.Nombre)) {
                ++r.customersLeftOut;
                continue;
            }
            db.execute("INSERT INTO Clientes (Nombre, Dom1, Dom2, Dom3, RFC) VALUES (?, ?, ?, ?, ?)",
                       {c.Nombre, c.Dom1, c.Dom2, c.Dom3, c.RFC});
            ++r.customers;
        }
        CFormatStore store(db);
        for (const COldDatabase::Format& f : old.Formats) {
            step();
            COldFormat format;
            if (!format.ReadStream(f.Detalle))
                throw DbError("El formato \"" + f.Nombre + "\" de la base de datos anterior está dañado");
            store.AddWindowsFormat(f.Nombre, format.Convert());
            ++r.formats;
        }
        // Keyed for the lists now, in the same transaction, rather than at the first list.
        CatalogOrder::refreshInTransaction(db);
        t.commit();
    } catch (const Cancelled&) {
        Result cancelled;
        cancelled.cancelled = true;
        cancelled.message = kMsgCancelled;
        return cancelled;
    } catch (const std::exception& e) {
        Result failed;
        failed.message = DbErrorText(e);
        return failed;
    }
    r.ok = true;
    r.message = Summary(r);
    return r;
}

std::string CImport13::Summary(const Result& r) {
    std::string s = std::string(kMsgDone) + "\nArtículos importados: " + std::to_string(r.articles) +
                    "; omitidos: " + std::to_string(r.articlesLeftOut) +
                    "; renombrados: " + std::to_string(r.renamedKeys.size()) +
                    "\nClientes importados: " + std::to_string(r.customers) +
                    "; omitidos: " + std::to_string(r.customersLeftOut) +
                    "\nFormatos importados: " + std::to_string(r.formats);
    for (const auto& [from, to] : r.renamedKeys)
        s += "\nClave " + from + " importada como " + to;
    return s;
}
