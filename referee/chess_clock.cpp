#include "referee/chess_clock.h"

namespace referee {
namespace {

std::size_t slot(Side side) {
    return side == Side::Black ? 0 : 1;
}

}  // namespace

ChessClock::ChessClock(Seconds each, std::chrono::milliseconds margin)
    : left_{each.count(), each.count()}, margin_(margin) {}

void ChessClock::start(Side side, Clock::time_point at) {
    running_ = side;
    started_ = at;
}

Clock::time_point ChessClock::deadline() const {
    return started_ +
           std::chrono::duration_cast<Clock::duration>(Seconds(left_[slot(running_)]) + margin_);
}

double ChessClock::stop(Clock::time_point at) {
    const double took = Seconds(at - started_).count();
    left_[slot(running_)] -= took;
    return took;
}

void ChessClock::allow(Side side, Seconds total) {
    left_[slot(side)] = total.count();
}

bool ChessClock::flagged(Side side) const {
    return left_[slot(side)] < -margin_.count();
}

}  // namespace referee
