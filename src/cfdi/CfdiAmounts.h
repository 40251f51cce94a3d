#pragma once

#include <cstdint>
#include <string>

// Fixed-point amounts for the CFDI: quantities, prices and rates in millionths, money in cents,
// rounded half away from zero as Anexo 20 asks. The program's doubles become these once, and
// every sum written is the sum of the rounded parts written beside it.
namespace CfdiAmounts {

std::int64_t toMicros(double value);
std::int64_t toCents(double value);

// num / den rounded half away from zero; den > 0.
std::int64_t divRound(__int128 num, std::int64_t den);

// Cantidad × ValorUnitario, both in millionths, in cents.
std::int64_t importe(std::int64_t cantidadMicros, std::int64_t valorUnitarioMicros);
// An amount in cents times a rate in millionths, in cents.
std::int64_t applyRate(std::int64_t cents, std::int64_t rateMicros);

// "1240.50": cents with two decimals.
std::string money(std::int64_t cents);
// Millionths with six decimals ("0.160000").
std::string sixDecimals(std::int64_t micros);
// Millionths with trailing zeros dropped, keeping at least `minDecimals` ("4", "956.04").
std::string trimmed(std::int64_t micros, int minDecimals);

} // namespace CfdiAmounts
