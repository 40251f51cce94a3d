#include "invoice/Partida.h"

#include "db/ArticulosSet.h"
#include "db/ImpuestosSet.h"
#include "invoice/MoneyText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Below this the rates cancel: a net price would give a price of any size, or none.
constexpr double kNetFactorEpsilon = 1e-9;

constexpr std::size_t kPrintMoneyWidth = 10;

const char* const kPrintCaptions[CPartida::kPrintFieldCount] = {
    "Partida",
    "Clave del artículo",
    "Nombre del artículo",
    "Precio unitario",
    "Precio neto",
    "Descuento unitario",
    "Descuento total",
    "Porcentaje de descuento",
    "Precio unitario c/desc.",
    "Precio neto c/desc.",
    "Importe",
    "Importe neto",
    "Importe c/desc.",
    "Importe neto c/desc.",
    "Cantidad",
    "Observaciones de la partida",
    "Columna Extra1",
    "Columna Extra2",
    "Columna Extra3",
    "Columna Extra4",
};

std::string printf1(const char* format, double value) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

bool isWhole(double value) { return value == std::trunc(value); }

std::string money(double value) { return PadMoney(FormatMoney(value), kPrintMoneyWidth); }

double taxRate(CImpuestosSet& taxes, std::int32_t id) {
    if (id == 0)
        return 0;
    return taxes.Seek(DbValue{std::int64_t{id}}) ? taxes.m_Porcentaje * 0.01 : 0;
}

} // namespace

double ReadPlainNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Only digits or a decimal point start a number; "inf" and "nan" do not.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.'))
        return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

void CPartida::Recalculate() {
    const double t1 = pI1, t2 = pI2, r1 = pR1, r2 = pR2, P = Precio, Q = Cantidad, d = pDescuento;
    PrecioNeto = (t1 + t2 + 1) * P - P * r1 - r2 * P;
    Importe = Q * P;
    Descuento = Importe * d * 0.01;
    DescuentoNeto = PrecioNeto * Q * d * 0.01;
    Subtotal = Importe - Descuento;
    Imp2 = Subtotal * t2;
    Imp1 = Subtotal * t1;
    Ret1 = Subtotal * r1;
    Ret2 = Subtotal * r2;
    Total = ((Imp1 + Imp2) + Subtotal) - Ret1 - Ret2;
}

bool CPartida::NetPriceDerivable() const {
    const double factor = (pI2 + pI1 + 1) - pR1 - pR2;
    return std::isfinite(factor) && std::fabs(factor) >= kNetFactorEpsilon;
}

bool CPartida::RecalculateFromNet() {
    if (!NetPriceDerivable())
        return false;
    Precio = PrecioNeto / ((pI2 + pI1 + 1) - pR1 - pR2);
    Recalculate();
    return true;
}

void CPartida::LoadFromArticle(const CArticulosSet& article, CImpuestosSet& taxes) {
    Id_Articulo = article.m_Id_Articulo;
    Clave = article.m_Clave;
    Descripcion = article.m_Descripcion;
    Precio = article.m_Precio;
    PrecioNeto = article.m_PrecioNeto;
    Id_Imp1 = article.m_Id_Imp1;
    Id_Imp2 = article.m_Id_Imp2;
    Id_Ret1 = article.m_Id_Ret1;
    Id_Ret2 = article.m_Id_Ret2;
    taxes.SetCurrentIndex("PrimaryKey");
    pI1 = taxRate(taxes, Id_Imp1);
    pI2 = taxRate(taxes, Id_Imp2);
    pR1 = taxRate(taxes, Id_Ret1);
    pR2 = taxRate(taxes, Id_Ret2);
}

std::string CPartida::GetText(int column, int prcAiva) const {
    switch (column) {
    case kClave: return Clave;
    case kNombre: return Descripcion;
    case kCantidad: return printf1(isWhole(Cantidad) ? "%.0f" : "%.2f", Cantidad);
    case kPrecio: return FormatMoney(prcAiva == 1 ? Precio : PrecioNeto);
    case kDescuento: return printf1(isWhole(pDescuento) ? "%.0f" : "%.4f", pDescuento);
    case kImporte: return FormatMoney(prcAiva == 1 ? Importe : PrecioNeto * Cantidad);
    case 7: return Extra1;
    case 8: return Extra2;
    case 9: return Extra3;
    case 10: return Extra4;
    default: return {};
    }
}

void CPartida::SetFromText(int column, std::string_view text, int prcAiva) {
    switch (column) {
    case kClave: Clave = text; break;
    case kNombre: Descripcion = text; break;
    case kCantidad: Cantidad = ReadPlainNumber(text); break;
    case kPrecio:
        // With net prices the commit has already derived the price from the typed net price.
        if (prcAiva == 1)
            Precio = TryParseMoney(text).value_or(0);
        break;
    case kDescuento: pDescuento = ReadPlainNumber(text); break;
    case kImporte: Importe = ReadPlainNumber(text); break;
    case 7: Extra1 = text; break;
    case 8: Extra2 = text; break;
    case 9: Extra3 = text; break;
    case 10: Extra4 = text; break;
    default: break;
    }
}

void CPartida::Reset(std::int32_t defaultTaxId, double defaultTaxRate) {
    *this = CPartida();
    Id_Imp1 = defaultTaxId;
    pI1 = defaultTaxRate;
}

void CPartida::CopyFrom(const CPartida& other) { *this = other; }

bool CPartida::IsInRange() const {
    for (const double v : {Cantidad, Descuento, pI1, pI2, pR1, pR2, Precio, PrecioNeto, Importe, Subtotal, Total,
                           Imp1, Imp2, Ret1, Ret2, pDescuento, DescuentoNeto})
        if (!(std::fabs(v) <= kMaxValue))  // NaN fails too
            return false;
    return true;
}

double CPartida::unitDiscount() const { return Cantidad == 0 ? 0 : Descuento / Cantidad; }

double CPartida::unitNetDiscount() const { return Cantidad == 0 ? 0 : DescuentoNeto / Cantidad; }

std::string CPartida::PrintCaption(int index) {
    if (index < 0 || index >= kPrintFieldCount)
        return {};
    return kPrintCaptions[index];
}

std::string CPartida::PrintValue(int index, int rowNumber) const {
    switch (index) {
    case 0: return std::to_string(rowNumber);
    case 1: return Clave;
    case 2: return Descripcion;
    case 3: return money(Precio);
    case 4: return money(PrecioNeto);
    case 5: return money(unitDiscount());
    case 6: return money(Descuento);
    case 7: return printf1("%.2f", pDescuento);
    case 8: return money(Precio - unitDiscount());
    case 9: return money(PrecioNeto - unitNetDiscount());
    case 10: return money(Importe);
    case 11: return money(Cantidad * PrecioNeto);
    case 12: return money(Importe - Descuento);
    case 13: return money(Cantidad * PrecioNeto - DescuentoNeto);
    case 14: return printf1("%.2f", Cantidad);
    case 15: return Observaciones;
    case 16: return Extra1;
    case 17: return Extra2;
    case 18: return Extra3;
    case 19: return Extra4;
    default: return {};
    }
}
