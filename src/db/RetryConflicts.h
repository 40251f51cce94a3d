#pragma once

#include "db/DbError.h"

#include <chrono>
#include <random>
#include <thread>

// Runs a write operation again when it lost a race with another station: the server's
// serializable transaction failed (DbError::kConflict), or the key it checked free was taken
// meanwhile (a unique violation). The operation checks again inside its new transaction, so the
// second run sees the other station's rows (and, for a folio, says it is taken). A file takes its
// write lock first and never gets here more than once. Between runs a short wait of random length
// keeps two stations from colliding again in step.
template <class Operation>
auto RetryConflicts(Operation&& operation) -> decltype(operation()) {
    constexpr int kAttempts = 12;
    std::minstd_rand jitter(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 1;; ++attempt) {
        try {
            return operation();
        } catch (const DbError& e) {
            const bool lostRace = e.code() == DbError::kConflict || e.code() == DbError::kUniqueViolation;
            if (!lostRace || attempt == kAttempts)
                throw;
            std::this_thread::sleep_for(std::chrono::microseconds(500 * attempt + jitter() % (2000 * attempt)));
        }
    }
}
