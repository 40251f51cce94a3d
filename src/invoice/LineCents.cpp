#include "invoice/LineCents.h"

#include "invoice/FixedPoint.h"
#include "invoice/Partida.h"

#include <cmath>

namespace F = FixedPoint;

namespace {

// `value` of millionths applied to `cents`, per `den`; nothing when beyond kMaxAmount.
std::optional<std::int64_t> scaled(std::int64_t cents, double value, std::int64_t den) {
    if (!F::fits(value))
        return std::nullopt;
    const __int128 q = F::divRound128(static_cast<__int128>(cents) * F::toMicros(value), den);
    if (q > LineCents::kMaxAmount || q < -LineCents::kMaxAmount)
        return std::nullopt;
    return static_cast<std::int64_t>(q);
}

} // namespace

std::optional<LineCents> LineCents::Of(const CPartida& p) {
    // Millionths of the quantity and price, and their product in cents, must fit 64 bits.
    if (!F::fits(p.Cantidad) || !F::fits(p.Precio) ||
        std::fabs(p.Cantidad * p.Precio) * 100.0 > static_cast<double>(kMaxImporte))
        return std::nullopt;
    LineCents c;
    c.importe = F::importe(F::toMicros(p.Cantidad), F::toMicros(p.Precio));
    // pDescuento is a percentage: millionths of a percent.
    const auto descuento = scaled(c.importe, p.pDescuento, 100'000'000);
    if (!descuento)
        return std::nullopt;
    c.descuento = *descuento;
    c.base = c.importe - c.descuento;
    std::int64_t* const amounts[] = {&c.imp1, &c.imp2, &c.ret1, &c.ret2};
    const double rates[] = {p.pI1, p.pI2, p.pR1, p.pR2};
    for (int i = 0; i < 4; ++i) {
        const auto amount = scaled(c.base, rates[i], 1'000'000);
        if (!amount)
            return std::nullopt;
        *amounts[i] = *amount;
    }
    return c;
}

std::array<LineTaxSlot, 4> TaxSlotsOf(const CPartida& p, const LineCents& c) {
    return {LineTaxSlot{p.Id_Imp1, p.pI1, false, c.imp1}, LineTaxSlot{p.Id_Imp2, p.pI2, false, c.imp2},
            LineTaxSlot{p.Id_Ret1, p.pR1, true, c.ret1}, LineTaxSlot{p.Id_Ret2, p.pR2, true, c.ret2}};
}
