// Position evaluation: material, cannons, town halls, blocked cannon ends
// and the distances between soldiers and town halls.
#pragma once

#include <utility>
#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

// Score of `board` for `side` (1: black; any other value: white).
float Eval(const Board& board, int side);

// (distance of the soldiers to their own side's standing town halls,
//  distance to the opponent's standing town halls); (0, 0) for no soldiers.
std::pair<int, int> townhall_dist(const std::vector<coord>& soldiers, const Board& board);

// Number of (soldier, square just beyond a cannon end) pairs that coincide.
int blocked_cannon(const std::vector<coord>& soldiers, const std::vector<Cannon>& cannons);

}  // namespace treeplayer
