#pragma once

#include <atomic>
#include <cstddef>

// Shared between a ticket being sent on a worker thread and the window that waits for it: the
// window asks the transfer to stop, the transfer counts the bytes the device took. A blocked write
// looks at `cancel` at least every kPollSliceMs.
struct TransferControl {
    static constexpr int kPollSliceMs = 50;

    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> written{0};

    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
    void Count(std::size_t n) { written.fetch_add(n, std::memory_order_relaxed); }
};
