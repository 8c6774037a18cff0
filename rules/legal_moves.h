// The legal moves of one side under one player's reading of the rules.
#pragma once

#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/reading.h"
#include "rules/side.h"

namespace rules {

// Every move `side` may make, in the order that player's own generator lists
// them, so a tool can number moves as the player would and the players' tie
// breaks can be reproduced. Empty when the side has no move, and when the
// reading does not apply to the board's size (see applies()).
std::vector<protocol::MoveLine> legal_moves(const Board& board, Side side, Reading reading);

}  // namespace rules
