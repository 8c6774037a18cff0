// The hint for the mistake bot authors make most: a move left in the
// output buffer while the bot goes back to reading its input. Both sides
// then wait for each other until the bot's clock runs out; the hint says
// so within a second of its turn instead of after its whole clock. It is
// only a hint: the game goes on, and ends as it would have without it.
#pragma once

#include <optional>
#include <string>

#include "referee/common/clock.h"
#include "rules/side.h"

namespace referee {

class Seat;

// "black is waiting for input on its own turn: ..."
std::string input_wait_notice(rules::Side side);

// One turn of one side, looked at now and then while the game waits for
// its move. The looks go by the steady clock, whatever clock the game
// reads: they are about processes that run in real time.
class InputHint {
  public:
    // The turn starts now.
    InputHint(Seat& seat, rules::Side side);

    // How long a wait may last before the next look is due; a large number
    // when no look is due any more.
    int millis_to_look() const;
    // Looks when a look is due: the notice, once a turn, when the side
    // waits for input.
    std::optional<std::string> look();

  private:
    Seat& seat_;
    rules::Side side_;
    Clock::time_point next_;
    bool done_;
};

}  // namespace referee
