// A player that picks uniformly among its legal moves (under gridplayer's
// reading of the rules): a weak third opponent for tournaments, and for bot
// authors the shortest complete example of the protocol.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

namespace randombot {

// Reads the header and plays one game on `in` and `out`; the same seed plays
// the same moves against the same opponent. Returns the exit status: 0 at
// end of input or with no legal move left, 2 for a header or move line it
// cannot read (with one line on `errors`).
int play(std::istream& in, std::ostream& out, std::ostream& errors, std::uint64_t seed);

}  // namespace randombot
