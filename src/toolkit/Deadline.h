#pragma once

#include <algorithm>
#include <chrono>

// A time limit on the steady clock. The milliseconds left are rounded up, so a wait measured in
// whole milliseconds never ends before the limit: truncating 0.4 ms left to 0 would stop a time-out
// short, and a caller that measures the same clock would see it end under its limit.
class Deadline final {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(long long ms) : m_at(Clock::now() + std::chrono::milliseconds(ms)) {}

    // Whole milliseconds to the limit, rounded up; 0 once it has passed.
    int MsLeft() const {
        const long long left = std::chrono::ceil<std::chrono::milliseconds>(m_at - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
    }
    bool Passed() const { return Clock::now() >= m_at; }

private:
    Clock::time_point m_at;
};
