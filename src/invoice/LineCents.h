#pragma once

#include <array>
#include <cstdint>
#include <optional>

class CPartida;

// One line's amounts in cents, as the electronic invoice states them: Importe is Cantidad × Precio
// (each to millionths) rounded to cents; Descuento is that Importe × pDescuento %, rounded; each
// tax and withholding is (Importe − Descuento) × its rate (to millionths), rounded on its own.
// Sums of these are exact: add the cents, convert once.
struct LineCents final {
    std::int64_t importe = 0;
    std::int64_t descuento = 0;
    std::int64_t base = 0; // importe − descuento: what every tax is charged on
    std::int64_t imp1 = 0, imp2 = 0, ret1 = 0, ret2 = 0;

    std::int64_t total() const { return base + imp1 + imp2 - ret1 - ret2; }

    // An Importe beyond this many cents is out of range: 99 lines of it, with taxes at the SAT's
    // rates, still add up within 64 bits.
    static constexpr std::int64_t kMaxImporte = INT64_MAX / 400;
    // Any other amount of a line beyond this many cents is out of range (a discount or a rate far
    // outside what the SAT admits); a line's total still fits 64 bits.
    static constexpr std::int64_t kMaxAmount = 1'000'000'000'000'000'000;

    // Nothing when a value is not a number or an amount is out of range, rather than a wrapped one.
    static std::optional<LineCents> Of(const CPartida& line);
};

// A line's four tax slots as an electronic invoice reads them, transfers first: the tax's id, the
// line's rate, whether it is withheld, and its amount in cents.
struct LineTaxSlot final {
    std::int32_t id = 0;
    double rate = 0;
    bool retencion = false;
    std::int64_t cents = 0;
};
std::array<LineTaxSlot, 4> TaxSlotsOf(const CPartida& line, const LineCents& cents);
