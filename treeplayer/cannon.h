// Cannon slides and shots.
#pragma once

#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

// 0 horizontal, 1 vertical, 2 diagonal with x+y constant, 3 diagonal with
// x-y constant; only elements 0 and 2 are looked at.
int orientation(const Cannon& cannon);

// ("S", source, "M", target) when the target is on a width x height board,
// else the no-move marker ("A", 0, 0, "A", 0, 0).
Move cannon_coord_to_move(coord source, coord target, int width, int height);

// ("S", middle, "B", target) for every target, in order.
std::vector<Move> cannon_coord_to_shot(coord middle, const std::vector<coord>& targets);

// All shots and slides of one side's cannons: for each cannon in list order,
// its shots (first direction, then second), then its slides.
std::vector<Move> cannon_action(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                                const std::vector<coord>& enemy, const std::vector<coord>& ownHalls,
                                const std::vector<coord>& enemyHalls);

}  // namespace treeplayer
