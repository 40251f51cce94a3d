#pragma once

#include <span>

class CPartida;

// How a document's lines add up to its totals.
enum class TotalsRounding {
    Unrounded, // the lines' amounts as they are; rounded only as text
    LineCents, // each line's amounts rounded to cents as the electronic invoice states them
};

// The ten sums of a document's lines.
struct DocumentTotals final {
    double Importe = 0;
    double Descuento = 0;
    double Impuesto1 = 0;
    double Impuesto2 = 0;
    double Retencion1 = 0;
    double Retencion2 = 0;
    double Subtotal = 0;    // Importe − Descuento
    double Total = 0;       // Subtotal + taxes − withholdings
    double ImporteNeto = 0; // Σ PrecioNeto × Cantidad
    double DescuentoNeto = 0;

    // Adds one line's unrounded amounts, in the order the totals have always been summed.
    void Add(const CPartida& line);
    // The sums of `lines`, added in their order (see TotalsSum).
    static DocumentTotals Of(std::span<const CPartida> lines, TotalsRounding rounding = TotalsRounding::Unrounded);
};
