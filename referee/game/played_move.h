// A move as the game keeps it: parsed once, when it was read and checked;
// the display, the record and the repetition rule all use this form.
#pragma once

#include "protocol/move_line.h"
#include "rules/side.h"

namespace referee {

struct PlayedMove {
    rules::Side side = rules::Side::Black;
    protocol::MoveLine move{};
    double seconds = 0;  // time the move took on the mover's clock
};

}  // namespace referee
