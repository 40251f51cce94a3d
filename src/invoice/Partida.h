#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CArticulosSet;
class CImpuestosSet;

// The standard atof reading, independent of the process locale: leading blanks, an optional sign,
// digits with "." as decimal point and an optional exponent; trailing characters are ignored and
// text without a number reads as 0. Infinities and NaN are not numbers here (they read as 0).
double ReadPlainNumber(std::string_view text);

// One invoice line: its key, texts, quantity, price, discount, the four rates (fractions) and the
// amounts that follow from them. Amounts are never rounded; they are rounded only as text.
class CPartida final {
public:
    // Columns of the detail grid whose texts this line gives and takes.
    enum Column { kClave = 1, kNombre = 2, kCantidad = 3, kPrecio = 4, kDescuento = 5, kImporte = 6,
                  kExtra1 = 7, kExtra4 = 10 };
    // The per-line values that print formats place on a page.
    static constexpr int kPrintFieldCount = 20;

    std::string Clave;
    std::string Descripcion;
    std::string Observaciones;
    std::string Extra1, Extra2, Extra3, Extra4;
    double Cantidad = 0;
    double Descuento = 0;   // discount amount of the line
    double pI1 = 0, pI2 = 0; // tax rates, fractions (0.16)
    double pR1 = 0, pR2 = 0; // withholding rates, fractions
    double Precio = 0;      // unit price before taxes
    double PrecioNeto = 0;  // unit price with taxes added and withholdings deducted
    double Importe = 0;     // Precio × Cantidad, before discount
    double Subtotal = 0;    // Importe − Descuento
    double Total = 0;
    double Imp1 = 0, Imp2 = 0;
    double Ret1 = 0, Ret2 = 0;
    double pDescuento = 0;  // discount in percent (10 = 10 %)
    double DescuentoNeto = 0;
    std::int32_t Id_Articulo = 0;
    std::int32_t Id_Imp1 = 0, Id_Imp2 = 0, Id_Ret1 = 0, Id_Ret2 = 0;

    // The amounts from Precio, Cantidad, pDescuento and the rates.
    void Recalculate();
    // Precio from PrecioNeto, then Recalculate. False, with the line untouched, when the
    // withholdings cancel the taxes (no price gives a net price then).
    bool RecalculateFromNet();
    // True when a net price can be turned back into a price with this line's rates.
    bool NetPriceDerivable() const;
    // Key, description, prices and tax ids from the current article row; each rate is the tax's
    // Porcentaje / 100 sought by id in `taxes` (index "PrimaryKey"), 0 when not found. The caller
    // recalculates.
    void LoadFromArticle(const CArticulosSet& article, CImpuestosSet& taxes);

    // Cell text of a detail grid column; prcAiva = 1 shows prices before taxes.
    std::string GetText(int column, int prcAiva) const;
    // Stores a cell text into its field without recalculating.
    void SetFromText(int column, std::string_view text, int prcAiva);

    // The state of a new line: empty, zero, with the default tax (id and fraction) as tax 1.
    void Reset(std::int32_t defaultTaxId = 0, double defaultTaxRate = 0);
    void CopyFrom(const CPartida& other);
    // The largest size of a quantity, price or amount: beyond it the printed figure no longer fits
    // a page (nor keeps its cents in a double).
    static constexpr double kMaxValue = 1e12;
    // Every quantity, price, rate and amount is a number within ±kMaxValue.
    bool IsInRange() const;

    // Caption of a print field, 0 … kPrintFieldCount − 1; empty for any other index.
    static std::string PrintCaption(int index);
    // Printed text of a field for this line as row `rowNumber` (1-based). Money is the regional
    // text right-justified in 10 characters. A line without quantity has no per-unit discount.
    std::string PrintValue(int index, int rowNumber) const;

private:
    // Descuento / Cantidad and DescuentoNeto / Cantidad; 0 for a line without quantity.
    double unitDiscount() const;
    double unitNetDiscount() const;
};
