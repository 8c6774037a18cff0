// The two sides' clocks. Only one runs at a time: from the moment the
// opponent's move (or, for black's first move, the header) has been written
// to a side until that side's move line has been read. Time points come in
// from outside, so the rules of the clock are tested with made-up times
// instead of sleeps.
#pragma once

#include <array>
#include <chrono>

#include "referee/board.h"
#include "referee/child_process.h"

namespace referee {

class ChessClock {
  public:
    using Seconds = std::chrono::duration<double>;

    // `each`: a side's time for the whole game; `margin`: how far a clock
    // may run below zero before the side loses, to forgive pipe latency.
    ChessClock(Seconds each, std::chrono::milliseconds margin);

    // `side`'s clock starts running at `at`.
    void start(Side side, Clock::time_point at);
    // When the running side loses on time if no line has come.
    Clock::time_point deadline() const;
    // When the running clock was started.
    Clock::time_point started() const { return started_; }
    // Stops the running clock at `at`; returns the seconds the move took.
    double stop(Clock::time_point at);
    // Whether `side` has used more than its time and the margin.
    bool flagged(Side side) const;
    // Seconds left, indexed by Side (black first); negative within the margin.
    const std::array<double, 2>& left() const { return left_; }
    // Before the game: `side` gets `total` for the whole game instead, as a
    // person may be given more time than a program.
    void allow(Side side, Seconds total);

  private:
    std::array<double, 2> left_;
    Seconds margin_;
    Side running_ = Side::Black;
    Clock::time_point started_;
};

}  // namespace referee
