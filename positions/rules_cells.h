// A position on the rules library's board and back: the board of the same
// size and the side to move.
#pragma once

#include "positions/position.h"
#include "rules/board.h"
#include "rules/side.h"

namespace positions {

rules::Board rules_board(const Position& position);
rules::Side side_to_move(const Position& position);
Position from_rules(const rules::Board& board, rules::Side to_move);

}  // namespace positions
