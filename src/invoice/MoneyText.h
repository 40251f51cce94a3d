#pragma once

#include "invoice/MoneyFormat.h"

#include <optional>
#include <string>
#include <string_view>

// Amounts become text only here; arithmetic never rounds.

// blankIfZero and 0: empty. plain: "%.2f". Otherwise the regional currency text of the value,
// rounded half away from zero to the format's decimals ("$1,240.00", "-$1,240.50"); empty for a
// value that is not a number.
std::string FormatMoney(double value, bool plain = false, bool blankIfZero = false,
                        const MoneyFormat& format = MoneyFormat::current());
// Right-justified in `width` characters; a longer text is cut to its first `width`.
std::string PadMoney(std::string_view text, std::size_t width);
// "%.Nf" for N = 0 … 6; any other count "%f".
std::string FormatNumber(double value, int decimals);
// Currency text as the regional parser reads it: symbol, group separators, a sign in front or
// behind, or parentheses; rounded to four decimals. Nothing when it cannot be read.
std::optional<double> TryParseMoney(std::string_view text, const MoneyFormat& format = MoneyFormat::current());
