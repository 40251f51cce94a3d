#pragma once

#include <cstdint>
#include <functional>

// Told now and then how far a long report has come: `done` of `total` steps (`total` 0 when not
// known in advance). Returning false cancels the work, which then leaves nothing behind.
using ReportProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// How many rows a builder reads between two calls of its progress function.
inline constexpr int kProgressStep = 4096;
