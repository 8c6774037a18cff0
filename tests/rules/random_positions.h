// Seeded positions for the rules tests: positions of random games, and
// random scatters of soldiers around town halls left on their home squares.
#pragma once

#include <functional>
#include <random>
#include <string>

#include "rules/board.h"
#include "rules/side.h"

namespace rules_test {

// A board of the size with nothing on it.
rules::Board empty_board(int rows, int columns);

// Calls `visit` on `positions` positions of random games from the start, each
// move picked uniformly among those legal under either reading; a game
// starts afresh after 150 plies or when the side to move has no move.
void random_games(unsigned seed, int rows, int columns, int positions,
                  const std::function<void(const rules::Board&, rules::Side)>& visit);

// Some town halls still on the squares they started on, the others gone, and
// soldiers of both sides anywhere else, at a random density. Town halls never
// move, so every reachable position looks like this; most of these are not
// reachable, which is the point: they try rules at edges that games seldom
// reach.
rules::Board scattered_position(std::mt19937& rng, int rows, int columns);

// One line per row, '.', 'w', 'W', 'b', 'B', for failure messages.
std::string picture(const rules::Board& board);

}  // namespace rules_test
