// Moves of one soldier.
#pragma once

#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

// Candidate targets of `soldier`: three forward squares, then the three
// retreat squares when an enemy soldier stands in the row in front of or
// behind it. Unfiltered: squares may lie off the board or hold any piece.
std::vector<coord> soldier_moves(coord soldier, const std::vector<coord>& enemies, bool black);

// One step ("S", source, "M", target) per target, in order.
std::vector<Move> coord_to_move(coord source, const std::vector<coord>& targets);

}  // namespace treeplayer
