// Move-generator counts for gridplayer: how many positions the two colours'
// generators reach when they alternate for a given number of plies. A wrong
// count points at a rule or an order that changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "perft/command.h"

namespace perft_gridplayer {

// Positions reached after `depth` plies from `grid` (the globals n and m give
// its size), black moving first when `blackToMove`. Every node made is
// released before returning.
std::uint64_t perft(int** grid, int depth, bool blackToMove);

using DivideLine = perft_command::DivideLine;

// The same count split by root move, in generation order.
std::vector<DivideLine> divide(int** grid, int depth, bool blackToMove);

// The perft command for gridplayer: 6..10 rows, 1..10 columns, its own start
// position and generators (main is only this).
perft_command::Tool perftTool();

}  // namespace perft_gridplayer
