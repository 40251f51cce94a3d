#include "invoice/MoneyText.h"

#include "db/SpanishText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Rounds the decimal digits of "%f" text half away from zero, as the regional formatter does
// with the text it is given.
void roundDigits(std::string& integer, std::string& fraction, int decimals) {
    if (static_cast<int>(fraction.size()) <= decimals) {
        fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        return;
    }
    const bool up = fraction[static_cast<std::size_t>(decimals)] >= '5';
    fraction.resize(static_cast<std::size_t>(decimals));
    if (!up)
        return;
    std::string digits = integer + fraction;
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
        if (digits[static_cast<std::size_t>(i)] == '9') {
            digits[static_cast<std::size_t>(i)] = '0';
        } else {
            ++digits[static_cast<std::size_t>(i)];
            break;
        }
    }
    if (i < 0)
        digits.insert(digits.begin(), '1');
    integer = digits.substr(0, digits.size() - fraction.size());
    fraction = digits.substr(digits.size() - fraction.size());
}

std::string grouped(const std::string& integer, const MoneyFormat& f) {
    if (f.groupSize <= 0 || f.groupSeparator.empty())
        return integer;
    std::string out;
    const std::size_t n = integer.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += integer[i];
        const std::size_t left = n - i - 1;
        if (left > 0 && left % static_cast<std::size_t>(f.groupSize) == 0)
            out += f.groupSeparator;
    }
    return out;
}

bool startsWith(std::string_view s, std::size_t at, std::string_view piece) {
    return !piece.empty() && s.substr(at, piece.size()) == piece;
}

} // namespace

std::string FormatMoney(double value, bool plain, bool blankIfZero, const MoneyFormat& f) {
    if (blankIfZero && value == 0.0)
        return {};
    // Neither "nan" nor "inf" may reach a document, plain or not.
    if (!std::isfinite(value))
        return {};
    // to_chars gives printf's digits, exactly rounded, several times faster: reports format
    // millions of amounts.
    char buf[512];
    if (plain) {
        const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
        return std::string(buf, r.ptr);
    }
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, 6);
    const std::string text(buf, r.ptr);
    const std::size_t dot = text.find('.');
    std::string integer = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    // A locale never gives a negative count; should one come, it means no decimals.
    const int decimals = std::max(f.decimals, 0);
    roundDigits(integer, fraction, decimals);
    const bool negative = value < 0 && (integer.find_first_not_of('0') != std::string::npos ||
                                        fraction.find_first_not_of('0') != std::string::npos);
    std::string number = grouped(integer, f);
    if (decimals > 0)
        number += f.decimalPoint + fraction;
    const std::string space = f.symbolSpace ? " " : "";
    const std::string body = f.symbolFirst ? f.symbol + space + number : number + space + f.symbol;
    return negative ? "-" + body : body;
}

std::string PadMoney(std::string_view text, std::size_t width) {
    const std::size_t length = SpanishText::length(text);
    if (length > width)
        return SpanishText::left(text, width);
    return std::string(width - length, ' ') + std::string(text);
}

std::string FormatNumber(double value, int decimals) {
    char format[8] = "%f";
    if (decimals >= 0 && decimals <= 6)
        std::snprintf(format, sizeof format, "%%.%df", decimals);
    char buf[512];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::optional<double> TryParseMoney(std::string_view text, const MoneyFormat& f) {
    bool negative = false, signSeen = false, symbolSeen = false, paren = false, closed = false;
    bool inFraction = false, digitsSeen = false, numberDone = false;
    std::string integer, fraction;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || static_cast<unsigned char>(c) == 0xA0) {
            if (digitsSeen)
                numberDone = true;
            ++i;
        } else if (c >= '0' && c <= '9') {
            if (numberDone || closed)
                return std::nullopt;
            (inFraction ? fraction : integer) += c;
            digitsSeen = true;
            ++i;
        } else if (startsWith(text, i, f.decimalPoint) && !inFraction && !numberDone) {
            inFraction = true;
            i += f.decimalPoint.size();
        } else if (startsWith(text, i, f.groupSeparator) && digitsSeen && !inFraction && !numberDone) {
            i += f.groupSeparator.size();
        } else if (startsWith(text, i, f.symbol) && !symbolSeen) {
            symbolSeen = true;
            if (digitsSeen)
                numberDone = true;
            i += f.symbol.size();
        } else if ((c == '-' || c == '+') && !signSeen && !paren) {
            signSeen = true;
            negative = c == '-';
            if (digitsSeen)
                numberDone = true;
            ++i;
        } else if (c == '(' && !signSeen && !paren && !digitsSeen) {
            paren = true;
            negative = true;
            ++i;
        } else if (c == ')' && paren && !closed && digitsSeen) {
            closed = true;
            numberDone = true;
            ++i;
        } else {
            return std::nullopt;
        }
    }
    if (!digitsSeen || (paren && !closed))
        return std::nullopt;
    // Fixed point with four decimals, the fifth and later rounding half to even as the currency
    // type does; more than the currency type holds cannot be read.
    const std::size_t first = integer.find_first_not_of('0');
    integer = first == std::string::npos ? std::string() : integer.substr(first);
    if (integer.size() > 15)
        return std::nullopt;
    std::string four = fraction.substr(0, std::min<std::size_t>(4, fraction.size()));
    four.append(4 - four.size(), '0');
    // Fifteen digits times 10,000 overflow a signed 64-bit count, so count unsigned and then
    // keep to the currency type's range, -922,337,203,685,477.5808 to 922,337,203,685,477.5807.
    std::uint64_t units = (integer.empty() ? 0 : std::stoull(integer)) * 10000 + std::stoull(four);
    if (fraction.size() > 4) {
        const std::string rest = fraction.substr(4);
        const bool overHalf = rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string::npos);
        const bool half = rest[0] == '5' && !overHalf;
        if (overHalf || (half && units % 2 != 0))
            ++units;
    }
    const std::uint64_t largest = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
    if (units > largest)
        return std::nullopt;
    const double value = static_cast<double>(units) / 10000.0;
    return negative ? -value : value;
}
