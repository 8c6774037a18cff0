// treeplayer's reading of the rules, on its 8x8 board. Use legal_moves().
#pragma once

#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/side.h"

namespace rules {

// Appends the moves of `side` in treeplayer's order: every soldier's steps
// and retreats, soldiers in row-major order; then every cannon's shots and
// slides, cannons in row-major order of their middle soldier.
void treeplayer_moves(const Board& board, Side side, std::vector<protocol::MoveLine>& out);

}  // namespace rules
