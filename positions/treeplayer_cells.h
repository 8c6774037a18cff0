// A position in treeplayer's cells and back: its board (row y, column x) and
// the side to move. treeplayer's codes: 1/2 black soldier/town hall, -1/-2
// white, 0 empty. Only tools that run treeplayer link this.
#pragma once

#include "positions/position.h"
#include "treeplayer/types.h"

namespace positions {

using treeplayer::Board;
using treeplayer::Move;

// The letter of a treeplayer cell code and back; anything else is '.' or 0.
char treeplayer_letter(int code);
int treeplayer_code(char letter);

// treeplayer's board of the position (8x8 only, as treeplayer plays).
Board treeplayer_board(const Position& position);
Position from_treeplayer(const Board& board, bool black_to_move);

}  // namespace positions
