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

std::optional<std::int64_t> parse(const std::string& text, int decimals) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    i += negative;
    __int128 value = 0;
    int digits = 0, fraction = -1;
    bool roundUp = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && fraction < 0) {
            fraction = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 30)
            return std::nullopt;
        if (fraction >= decimals) {
            // The first digit beyond the scale decides the rounding; the rest cannot change it.
            if (fraction == decimals)
                roundUp = c >= '5';
            ++fraction;
            continue;
        }
        value = value * 10 + (c - '0');
        if (fraction >= 0)
            ++fraction;
    }
    if (digits == 0)
        return std::nullopt;
    for (int f = fraction < 0 ? 0 : fraction; f < decimals; ++f)
        value *= 10;
    value += roundUp;
    if (value > static_cast<__int128>(INT64_MAX))
        return std::nullopt;
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

} // namespace CfdiAmounts
