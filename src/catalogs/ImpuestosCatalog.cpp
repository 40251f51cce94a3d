#include "catalogs/ImpuestosCatalog.h"

#include "catalogs/ArticulosCatalog.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Transaction.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// The whole text as one decimal number, "." as decimal point whatever the locale says.
std::optional<double> readNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last || *first == '+')
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatBound(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

} // namespace

CImpuestosCatalog::Percent CImpuestosCatalog::ParsePercent(std::string_view text) {
    Percent result;
    const std::optional<double> value = readNumber(trimmed(text));
    if (!value) {
        result.message = kMsgNumero;
        return result;
    }
    if (*value < kMinPorcentaje || *value > kMaxPorcentaje) {
        result.message = "Please enter a number between " + formatBound(kMinPorcentaje) + " and " +
                         formatBound(kMaxPorcentaje) + ".";
        return result;
    }
    // "-0" is 0.
    result.value = *value == 0 ? 0.0 : *value;
    return result;
}

std::optional<Impuesto> CImpuestosCatalog::Load(Database& db, std::int32_t id) {
    Statement query = db.prepare("SELECT Id_Impuesto, Nombre, Porcentaje, Retencion FROM Impuestos WHERE Id_Impuesto = ?");
    query.bind(1, std::int64_t{id});
    if (!query.step())
        return std::nullopt;
    Impuesto tax;
    tax.idImpuesto = static_cast<std::int32_t>(query.integer(0));
    tax.nombre = query.text(1);
    tax.porcentaje = query.real(2);
    tax.retencion = query.integer(3) != 0;
    return tax;
}

int CImpuestosCatalog::Save(Database& db, Impuesto& tax, const std::function<void(std::int32_t id)>& alsoWrite) {
    Transaction tx(db);
    if (tax.idImpuesto == 0) {
        db.execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                   {tax.nombre, tax.porcentaje, std::int64_t{tax.retencion ? 1 : 0}});
        const auto id = static_cast<std::int32_t>(db.lastInsertId());
        if (alsoWrite)
            alsoWrite(id);
        tx.commit();
        tax.idImpuesto = id;
        return 0;
    }
    // A tax never turns into a withholding or back: the stored flag stands.
    Statement flag = db.prepare("SELECT Retencion FROM Impuestos WHERE Id_Impuesto = ?");
    flag.bind(1, std::int64_t{tax.idImpuesto});
    if (!flag.step())
        throw DbError("Record is deleted.", DbError::kGeneric);
    const bool retencion = flag.integer(0) != 0;
    db.execute("UPDATE Impuestos SET Nombre = ?, Porcentaje = ? WHERE Id_Impuesto = ?",
               {tax.nombre, tax.porcentaje, std::int64_t{tax.idImpuesto}});
    const int updated = UpdateArticleNetPrices(db, tax.idImpuesto, retencion);
    if (alsoWrite)
        alsoWrite(tax.idImpuesto);
    tx.commit();
    tax.retencion = retencion;
    return updated;
}

int CImpuestosCatalog::UpdateArticleNetPrices(Database& db, std::int32_t id, bool retencion) {
    struct Row {
        std::int64_t id;
        double precio;
        std::int32_t refs[4];
    };
    std::vector<Row> rows;
    {
        Statement query = db.prepare(std::string("SELECT Id_Articulo, Precio, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2 "
                                                 "FROM Articulos WHERE ") +
                                     (retencion ? "Id_Ret1 = ? OR Id_Ret2 = ?" : "Id_Imp1 = ? OR Id_Imp2 = ?"));
        query.bind(1, std::int64_t{id});
        query.bind(2, std::int64_t{id});
        while (query.step()) {
            Row row{query.integer(0), query.real(1), {}};
            for (int i = 0; i < 4; ++i)
                row.refs[i] = static_cast<std::int32_t>(query.integer(2 + i));
            rows.push_back(row);
        }
    }
    Statement rate = db.prepare("SELECT Porcentaje FROM Impuestos WHERE Id_Impuesto = ?");
    auto rateOf = [&rate](std::int32_t taxId) {
        rate.reset();
        rate.bind(1, std::int64_t{taxId});
        const double value = rate.step() ? rate.real(0) * 0.01 : 0.0;
        rate.reset();
        return value;
    };
    Statement store = db.prepare("UPDATE Articulos SET PrecioNeto = ? WHERE Id_Articulo = ?");
    for (const Row& row : rows) {
        const double neto = CArticulosCatalog::NetPrice(row.precio, rateOf(row.refs[0]), rateOf(row.refs[1]),
                                                        rateOf(row.refs[2]), rateOf(row.refs[3]));
        store.reset();
        store.bind(1, neto);
        store.bind(2, row.id);
        store.execute();
    }
    return static_cast<int>(rows.size());
}
