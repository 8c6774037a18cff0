// A player that picks uniformly among its legal moves (under gridplayer's
// reading of the rules, or treeplayer's on 8x8): a weak third opponent for
// tournaments, a random legal player for testing the referee, and for bot
// authors the shortest complete example of the protocol.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

#include "rules/reading.h"

namespace randombot {

// Reads the header and plays one game on `in` and `out`; the same seed plays
// the same moves against the same opponent. Returns the exit status: 0 at
// end of input or with no legal move left, 2 for a header or move line it
// cannot read (with one line on `errors`).
int play(std::istream& in, std::ostream& out, std::ostream& errors, std::uint64_t seed,
         rules::Reading reading = rules::Reading::Gridplayer);

}  // namespace randombot
