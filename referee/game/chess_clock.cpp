#include "referee/game/chess_clock.h"

#include <algorithm>

namespace referee {
namespace {

Clock::duration ticks(ChessClock::Seconds seconds) {
    return std::chrono::duration_cast<Clock::duration>(seconds);
}

}  // namespace

ChessClock::ChessClock(Seconds each, std::chrono::milliseconds margin, Seconds increment,
                       Seconds per_move)
    : left_{each.count(), each.count()},
      margin_(margin),
      increment_(increment),
      per_move_(per_move) {}

void ChessClock::start(rules::Side side, Clock::time_point at) {
    running_ = side;
    started_ = at;
}

Clock::time_point ChessClock::deadline() const {
    const auto game_end = started_ + ticks(Seconds(left_[rules::side_index(running_)]) + margin_);
    if (per_move_.count() <= 0)
        return game_end;
    return std::min(game_end, started_ + ticks(per_move_ + margin_));
}

bool ChessClock::move_bound_first() const {
    return per_move_.count() > 0 && per_move_.count() < left_[rules::side_index(running_)];
}

double ChessClock::stop(Clock::time_point at) {
    const double took = Seconds(at - started_).count();
    charge(took);
    return took;
}

void ChessClock::charge(double seconds) {
    left_[rules::side_index(running_)] -= seconds;
    if (!flagged(running_))
        left_[rules::side_index(running_)] += increment_.count();
}

Clock::time_point ChessClock::backstop() const {
    const Seconds bound = per_move_.count() > 0
                              ? per_move_
                              : Seconds(3 * std::max(0.0, left_[rules::side_index(running_)]));
    return started_ + ticks(bound + margin_);
}

void ChessClock::allow(rules::Side side, Seconds total) {
    left_[rules::side_index(side)] = total.count();
}

bool ChessClock::flagged(rules::Side side) const {
    return left_[rules::side_index(side)] < -margin_.count();
}

bool ChessClock::over_move_bound(double seconds) const {
    return per_move_.count() > 0 && seconds > (per_move_ + margin_).count();
}

}  // namespace referee
