#include "catalogs/ArticulosCatalog.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "invoice/Partida.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

bool blank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

} // namespace

bool CArticulosCatalog::PriceInRange(double precio) { return std::fabs(precio) <= CPartida::kMaxValue; }

double CArticulosCatalog::NetPrice(double precio, double t1, double t2, double r1, double r2) {
    return (t2 + 1) * (t1 + 1) * precio - precio * r1 - precio * r2;
}

std::string CArticulosCatalog::Validate(const Articulo& article) {
    if (blank(article.descripcion) || blank(article.clave))
        return kMsgFaltanDatos;
    if (!PriceInRange(article.precio))
        return kMsgPrecioFueraDeRango;
    return {};
}

std::optional<Articulo> CArticulosCatalog::Load(Database& db, std::int32_t id) {
    Statement query = db.prepare("SELECT Id_Articulo, Clave, Descripcion, Precio, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2, "
                                 "Observaciones, PrecioNeto FROM Articulos WHERE Id_Articulo = ?");
    query.bind(1, std::int64_t{id});
    if (!query.step())
        return std::nullopt;
    Articulo a;
    a.idArticulo = static_cast<std::int32_t>(query.integer(0));
    a.clave = query.text(1);
    a.descripcion = query.text(2);
    a.precio = query.real(3);
    a.idImp1 = static_cast<std::int32_t>(query.integer(4));
    a.idImp2 = static_cast<std::int32_t>(query.integer(5));
    a.idRet1 = static_cast<std::int32_t>(query.integer(6));
    a.idRet2 = static_cast<std::int32_t>(query.integer(7));
    a.observaciones = query.text(8);
    a.precioNeto = query.real(9);
    return a;
}

void CArticulosCatalog::Save(Database& db, Articulo& article, const std::function<void(std::int32_t id)>& alsoWrite) {
    const std::vector<DbValue> values = {article.clave,
                                         article.descripcion,
                                         std::int64_t{article.idImp1},
                                         std::int64_t{article.idImp2},
                                         std::int64_t{article.idRet1},
                                         std::int64_t{article.idRet2},
                                         article.observaciones,
                                         article.precio,
                                         article.precioNeto};
    Transaction tx(db);
    // The key index refuses a second article with the same key in any case; say so in Spanish.
    Statement taken = db.prepare("SELECT 1 FROM Articulos WHERE Clave = ? COLLATE NOCASE AND Id_Articulo <> ?");
    taken.bindAll({article.clave, std::int64_t{article.idArticulo}});
    if (taken.step())
        throw DbError("- Ya existe un artículo con la clave " + article.clave + " -");
    if (article.idArticulo != 0) {
        std::vector<DbValue> params = values;
        params.emplace_back(std::int64_t{article.idArticulo});
        const int changed = db.execute("UPDATE Articulos SET Clave = ?, Descripcion = ?, Id_Imp1 = ?, Id_Imp2 = ?, "
                                       "Id_Ret1 = ?, Id_Ret2 = ?, Observaciones = ?, Precio = ?, PrecioNeto = ? "
                                       "WHERE Id_Articulo = ?",
                                       params);
        // Deleted from the list meanwhile: saying "saved" would lose what was typed.
        if (changed == 0)
            throw DbError("Record is deleted.", DbError::kGeneric);
        if (alsoWrite)
            alsoWrite(article.idArticulo);
        tx.commit();
        return;
    }
    db.execute("INSERT INTO Articulos (Clave, Descripcion, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2, Observaciones, Precio, "
               "PrecioNeto) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
               values);
    const auto id = static_cast<std::int32_t>(db.lastInsertId());
    if (alsoWrite)
        alsoWrite(id);
    tx.commit();
    article.idArticulo = id;
}
