#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class Database;

// One row of Impuestos: a tax, or a withholding ("retención", deducted instead of added).
struct Impuesto final {
    std::int32_t idImpuesto = 0;  // 0: not stored yet
    std::string nombre;
    double porcentaje = 0;        // whole percentage: 16 means 16 %
    bool retencion = false;
};

// The taxes catalogue's own rules: reading a typed percentage, and saving a tax together with the
// net prices of the articles that use it.
class CImpuestosCatalog final {
public:
    static constexpr double kMinPorcentaje = 0;
    static constexpr double kMaxPorcentaje = 1000;
    static constexpr int kNombreMax = 30;
    static constexpr const char* kMsgNumero = "Please enter a number.";

    struct Percent {
        std::optional<double> value;  // set when the text was accepted
        std::string message;          // why it was refused
    };
    // A typed percentage: a plain decimal number ("." as decimal point, blanks around allowed)
    // between 0 and 1000 inclusive.
    static Percent ParsePercent(std::string_view text);

    // The tax `id`; nothing when there is none. Throws DbError.
    static std::optional<Impuesto> Load(Database& db, std::int32_t id);

    // Writes `tax` in one transaction: adds it (idImpuesto 0, which then gets the new id) or
    // updates its name and percentage. An existing tax keeps its withholding flag, and every
    // article that uses it (as a tax or as a withholding, as it is one or the other) gets its
    // stored net price recomputed from the catalogue as it is now. `alsoWrite`, when given, writes
    // what goes with the tax (its fiscal data) in the same transaction, told the tax's id. Returns
    // how many articles were recomputed. Throws DbError with nothing written (also when the tax was
    // deleted meanwhile, or from `alsoWrite`).
    static int Save(Database& db, Impuesto& tax, const std::function<void(std::int32_t id)>& alsoWrite = {});

    // Recomputes the stored net price of the articles that use the tax `id` in the slots of its
    // kind; call inside the caller's transaction. A reference that finds no tax counts as rate 0.
    static int UpdateArticleNetPrices(Database& db, std::int32_t id, bool retencion);
};
