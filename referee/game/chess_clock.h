// The two sides' clocks. Only one runs at a time: from the moment the
// opponent's move (or, for black's first move, the header) has been written
// to a side until that side's move line has been read. Time points come in
// from outside, so the rules of the clock are tested with made-up times
// instead of sleeps. A side may also get an increment after each move (so a
// long game does not end on time alone) and a bound on every single move
// (so no move, however much clock is left, stalls a tournament).
#pragma once

#include <array>
#include <chrono>

#include "referee/common/clock.h"
#include "rules/side.h"

namespace referee {

class ChessClock {
  public:
    using Seconds = std::chrono::duration<double>;

    // `each`: a side's time for the whole game; `margin`: how far a clock
    // may run below zero (or a move past `per_move`) before the side loses,
    // to forgive pipe latency; `increment`: added to a side's clock after
    // each of its moves; `per_move`: the most one move may take, 0 for no
    // bound.
    ChessClock(Seconds each, std::chrono::milliseconds margin, Seconds increment = Seconds(0),
               Seconds per_move = Seconds(0));

    // `side`'s clock starts running at `at`.
    void start(rules::Side side, Clock::time_point at);
    // When the running side loses on time if no line has come: the earlier
    // of its clock's end and the end of the time per move.
    Clock::time_point deadline() const;
    // When the running clock was started.
    Clock::time_point started() const { return started_; }
    // Whether deadline() is the bound per move rather than the clock's end.
    bool move_bound_first() const;
    // Stops the running clock at `at` and adds the increment unless the side
    // has already lost on time; returns the seconds the move took.
    double stop(Clock::time_point at);
    // Stops the running clock, charging it `seconds` however long the move
    // took on the wall clock: a clock of CPU time.
    void charge(double seconds);
    // Under a clock of CPU time, when the running side loses on the wall
    // clock all the same: at the end of the time per move, or else after
    // three times what is left on its clock, so a player that waits without
    // using CPU cannot stall the game.
    Clock::time_point backstop() const;
    // Whether `side` has used more than its time and the margin.
    bool flagged(rules::Side side) const;
    // Whether a move that took `seconds` overstepped the time per move.
    bool over_move_bound(double seconds) const;
    double per_move() const { return per_move_.count(); }
    // Seconds left, indexed by Side (black first); negative within the margin.
    const std::array<double, 2>& left() const { return left_; }
    // Before the game: `side` gets `total` for the whole game instead, as a
    // person may be given more time than a program.
    void allow(rules::Side side, Seconds total);

  private:
    std::array<double, 2> left_;
    Seconds margin_;
    Seconds increment_;
    Seconds per_move_;
    rules::Side running_ = rules::Side::Black;
    Clock::time_point started_;
};

}  // namespace referee
