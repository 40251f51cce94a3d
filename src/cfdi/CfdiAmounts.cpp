#include "cfdi/CfdiAmounts.h"

#include <cmath>

namespace CfdiAmounts {

std::int64_t toMicros(double value) { return std::llround(value * 1e6); }
std::int64_t toCents(double value) { return std::llround(value * 100.0); }

std::int64_t divRound(__int128 num, std::int64_t den) {
    const bool negative = num < 0;
    const __int128 a = negative ? -num : num;
    const __int128 q = (a + den / 2) / den;
    return static_cast<std::int64_t>(negative ? -q : q);
}

std::int64_t importe(std::int64_t cantidadMicros, std::int64_t valorUnitarioMicros) {
    return divRound(static_cast<__int128>(cantidadMicros) * valorUnitarioMicros, 10'000'000'000LL);
}

std::int64_t applyRate(std::int64_t cents, std::int64_t rateMicros) {
    return divRound(static_cast<__int128>(cents) * rateMicros, 1'000'000);
}

namespace {

std::string fixed(std::int64_t value, std::int64_t scale, int decimals) {
    const bool negative = value < 0;
    const std::uint64_t a = negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
    std::string frac = std::to_string(a % static_cast<std::uint64_t>(scale));
    frac.insert(0, static_cast<std::size_t>(decimals) - frac.size(), '0');
    return (negative ? "-" : "") + std::to_string(a / static_cast<std::uint64_t>(scale)) + "." + frac;
}

} // namespace

std::string money(std::int64_t cents) { return fixed(cents, 100, 2); }
std::string sixDecimals(std::int64_t micros) { return fixed(micros, 1'000'000, 6); }

std::string trimmed(std::int64_t micros, int minDecimals) {
    std::string s = sixDecimals(micros);
    const std::size_t dot = s.find('.');
    std::size_t keep = s.size();
    while (keep > dot + 1 + static_cast<std::size_t>(minDecimals) && s[keep - 1] == '0')
        --keep;
    if (keep == dot + 1)
        keep = dot;
    return s.substr(0, keep);
}

} // namespace CfdiAmounts
