// Seeded positions for the rules tests that random games do not reach:
// random scatters of soldiers around town halls left on their home squares.
#pragma once

#include <random>
#include <string>

#include "rules/board.h"
#include "rules/side.h"

namespace rules_test {

// A board of the size with nothing on it.
rules::Board empty_board(int rows, int columns);

// Some town halls still on the squares they started on, the others gone, and
// soldiers of both sides anywhere else, at a random density. Town halls never
// move, so every reachable position looks like this; most of these are not
// reachable, which is the point: they try rules at edges that games seldom
// reach.
rules::Board scattered_position(std::mt19937& rng, int rows, int columns);

// One line per row, '.', 'w', 'W', 'b', 'B', for failure messages.
std::string picture(const rules::Board& board);

}  // namespace rules_test
