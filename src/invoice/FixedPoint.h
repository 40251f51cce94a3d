#pragma once

#include <cstdint>

// Exact amounts: quantities, prices, rates and percentages in millionths, money in cents, rounded
// half away from zero (the rounding of the electronic invoice). A double becomes one of these
// once; from then on nothing is rounded twice.
namespace FixedPoint {

// Nearest millionths of a value; the caller keeps |value| below kMaxValue.
std::int64_t toMicros(double value);
// The largest value whose millionths still fit 64 bits with room to spare.
constexpr double kMaxValue = 9.0e12;
// Finite and within ±kMaxValue.
bool fits(double value);

// num / den rounded half away from zero; den > 0. The 128-bit quotient, for callers that check
// its size before narrowing it.
__int128 divRound128(__int128 num, std::int64_t den);
// The same narrowed; the caller knows it fits.
std::int64_t divRound(__int128 num, std::int64_t den);

// Cantidad × ValorUnitario, both in millionths, in cents.
std::int64_t importe(std::int64_t cantidadMicros, std::int64_t valorUnitarioMicros);
// An amount in cents times a rate in millionths, in cents.
std::int64_t applyRate(std::int64_t cents, std::int64_t rateMicros);

} // namespace FixedPoint
