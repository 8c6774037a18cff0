// treeplayer's whole conversation with a referee, over any streams so that
// the tests and the fuzzer can drive it without a process.
#pragma once

#include <iosfwd>

namespace treeplayer {

// Reads the header and the opponent's moves from `in`, writes the program's
// moves to `out` and its echoes and diagnostics to `err`. Returns the exit
// status: 0 at end of input or when there is no legal move, 2 when the header
// is unusable (not four integers, a player id other than 1 or 2, a board
// other than 8 x 8) or a move cannot be read safely, after one line on `err`
// saying why.
int run_game(std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace treeplayer
