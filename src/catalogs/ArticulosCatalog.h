#pragma once

#include "catalogs/Articulo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Database;

// The articles catalogue's own rules: its net price, what a savable article needs, and reading
// and writing one article.
class CArticulosCatalog final {
public:
    static constexpr const char* kMsgFaltanDatos = "- ¡Faltan datos! -";
    static constexpr const char* kMsgPrecioFueraDeRango = "- Precio fuera de rango -";

    // The catalogue's net price: tax 2 is charged on the price with tax 1 ((t1 + 1)(t2 + 1) × P),
    // and the withholdings are deducted from the price. Rates are fractions (0.16). An invoice
    // line adds its two rates instead, so the stored net price is only what the catalogue shows.
    static double NetPrice(double precio, double t1, double t2, double r1, double r2);

    // A price an invoice line can carry (within ±CPartida::kMaxValue).
    static bool PriceInRange(double precio);
    // Empty when the article can be saved; otherwise the message for the operator (a key and a
    // description are required, blanks alone do not count; the price must be in range).
    static std::string Validate(const Articulo& article);

    // The article `id`; nothing when there is none. Throws DbError.
    static std::optional<Articulo> Load(Database& db, std::int32_t id);

    // Writes `article` in one transaction: updates its row (idArticulo ≠ 0) or adds it and sets
    // idArticulo. `alsoWrite`, when given, writes what goes with the article (its fiscal data) in
    // the same transaction, told the article's id. Throws DbError (a key already used, a row deleted
    // meanwhile, or from `alsoWrite`) with nothing written.
    static void Save(Database& db, Articulo& article,
                     const std::function<void(std::int32_t id)>& alsoWrite = {});
};
