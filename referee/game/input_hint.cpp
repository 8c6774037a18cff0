#include "referee/game/input_hint.h"

#include <limits>

#include "referee/game/seat.h"

namespace referee {
namespace {

// Two looks this far apart must both find the side waiting: the notice
// comes under half a second into the turn, and a side that answers
// sooner is never looked at.
constexpr std::chrono::milliseconds kLookEvery{200};

}  // namespace

std::string input_wait_notice(rules::Side side) {
    return std::string(rules::side_name(side)) +
           " is waiting for input on its own turn: its move is probably still in an output "
           "buffer; flush after every move";
}

InputHint::InputHint(Seat& seat, rules::Side side)
    : seat_(seat),
      side_(side),
      next_(Clock::now() + kLookEvery),
      // A person reads the board, not a pipe.
      done_(!seat.hears_lines() || seat.is_person()) {}

int InputHint::millis_to_look() const {
    return done_ ? std::numeric_limits<int>::max() : millis_until(next_);
}

std::optional<std::string> InputHint::look() {
    const Clock::time_point now = Clock::now();
    if (done_ || now < next_)
        return std::nullopt;
    next_ = now + kLookEvery;
    if (seat_.waiting_for_input().value_or(false)) {
        done_ = true;
        return input_wait_notice(side_);
    }
    return std::nullopt;
}

}  // namespace referee
