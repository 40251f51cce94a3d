#include "config/Import13.h"

#include "config/OldDatabase.h"
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

std::optional<std::int64_t> ArticleByKey(Database& db, const std::string& key) {
    Statement s = db.prepare("SELECT Id_Articulo FROM Articulos WHERE Clave = ? COLLATE NOCASE");
    s.bind(1, key);
    if (s.step())
        return s.integer(0);
    return std::nullopt;
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

} // namespace

CImport13::Result CImport13::Run(Database& db, const std::string& oldPath, const Progress& progress) {
    COldDatabase old;
    if (!old.Read(oldPath)) {
        Result r;
        r.message = old.Error();
        return r;
    }
    return Run(db, old, progress);
}

CImport13::Result CImport13::Run(Database& db, const COldDatabase& old, const Progress& progress) {
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
    };
    try {
        Transaction t(db);
        std::set<std::int64_t> addedHere;
        for (const COldDatabase::Article& a : old.Articles) {
            step();
            if (Blank(a.Clave))
                continue; // no article without a key
            std::string key = a.Clave;
            if (const auto found = ArticleByKey(db, key)) {
                // An article that was there before stays untouched. One added by this import from
                // a key differing only by case is another article of the old file: it gets a free key.
                if (!addedHere.count(*found))
                    continue;
                for (int n = 2;; ++n) {
                    key = a.Clave + "-" + std::to_string(n);
                    if (!ArticleByKey(db, key))
                        break;
                }
                r.renamedKeys.emplace_back(a.Clave, key);
            }
            const std::int64_t tax = TaxFor(db, a.Impuesto, r.taxes);
            db.execute("INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1, PrecioNeto) VALUES (?, ?, ?, ?, ?)",
                       {key, a.Descripcion, a.Precio, tax, (a.Impuesto * 0.01 + 1) * a.Precio});
            addedHere.insert(db.lastInsertId());
            ++r.articles;
        }
        for (const COldDatabase::Customer& c : old.Customers) {
            step();
            if (Blank(c.Nombre) || CustomerExists(db, c.Nombre))
                continue;
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
        t.commit();
    } catch (const std::exception& e) {
        Result failed;
        failed.message = DbErrorText(e);
        return failed;
    }
    r.ok = true;
    r.message = kMsgDone;
    return r;
}
