// gridplayer's reading of the rules, on a board of any size. Use
// legal_moves().
#pragma once

#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/side.h"

namespace rules {

// Appends the moves of `side` in gridplayer's order: three passes over the
// side's soldiers in row-major order, first every step and sideways capture,
// then every retreat, then every cannon move found from its tail soldier.
void gridplayer_moves(const Board& board, Side side, std::vector<protocol::MoveLine>& out);

}  // namespace rules
