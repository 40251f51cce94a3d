#include "cfdi/CfdiAmounts.h"

namespace CfdiAmounts {

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
