// The one clock the referee measures durations and deadlines with: steady,
// so a change of the wall clock never costs a player time.
#pragma once

#include <algorithm>
#include <chrono>

namespace referee {

using Clock = std::chrono::steady_clock;

// Milliseconds from `now` to `deadline` for poll(): never negative, and
// bounded so that a far deadline cannot overflow an int.
inline int millis_between(Clock::time_point now, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000));
}

inline int millis_until(Clock::time_point deadline) {
    return millis_between(Clock::now(), deadline);
}

}  // namespace referee
