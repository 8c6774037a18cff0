// How a game waits: on the seats' descriptors and the referee's signal pipe
// together, so that news from either side or a stop wakes it at once.
#pragma once

#include <array>
#include <chrono>

namespace referee {

class Seat;

// Waits up to `timeout_ms` for news from either seat (or a stop), and hands
// each seat what was ready. A seat whose news does not all wake a wait is
// looked at again within a few milliseconds.
void wait_for_seats(const std::array<Seat*, 2>& seats, int timeout_ms);

// Waits `pause` unless the referee is stopped first.
void wait_for_interrupt(std::chrono::milliseconds pause);

}  // namespace referee
