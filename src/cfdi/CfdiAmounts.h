#pragma once

#include "invoice/FixedPoint.h"

#include <cstdint>
#include <optional>
#include <string>

// Fixed-point amounts for the CFDI: quantities, prices and rates in millionths, money in cents,
// rounded half away from zero as Anexo 20 asks. The program's doubles become these once, and
// every sum written is the sum of the rounded parts written beside it. The arithmetic is the
// invoice's own (FixedPoint, LineCents), so a document's totals and its CFDI agree to the cent.
namespace CfdiAmounts {

using FixedPoint::toMicros;

// "1240.50": cents with two decimals.
std::string money(std::int64_t cents);
// Millionths with six decimals ("0.160000").
std::string sixDecimals(std::int64_t micros);
// Millionths with trailing zeros dropped, keeping at least `minDecimals` ("4", "956.04").
std::string trimmed(std::int64_t micros, int minDecimals);
// A decimal as a CFDI writes it ("1250.3", "0.160000") in units of 10^-decimals, rounded half away
// from zero; nothing when it is not such a number or does not fit.
std::optional<std::int64_t> parse(const std::string& text, int decimals);

} // namespace CfdiAmounts
