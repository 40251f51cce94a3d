#include "invoice/FixedPoint.h"

#include <cmath>

namespace FixedPoint {

std::int64_t toMicros(double value) { return std::llround(value * 1e6); }

bool fits(double value) { return std::isfinite(value) && std::fabs(value) < kMaxValue; }

__int128 divRound128(__int128 num, std::int64_t den) {
    const bool negative = num < 0;
    const __int128 a = negative ? -num : num;
    const __int128 q = (a + den / 2) / den;
    return negative ? -q : q;
}

std::int64_t divRound(__int128 num, std::int64_t den) { return static_cast<std::int64_t>(divRound128(num, den)); }

std::int64_t importe(std::int64_t cantidadMicros, std::int64_t valorUnitarioMicros) {
    return divRound(static_cast<__int128>(cantidadMicros) * valorUnitarioMicros, 10'000'000'000LL);
}

std::int64_t applyRate(std::int64_t cents, std::int64_t rateMicros) {
    return divRound(static_cast<__int128>(cents) * rateMicros, 1'000'000);
}

} // namespace FixedPoint
