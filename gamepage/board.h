// The board a recorded game steps through, from the game's rules library:
// the picture and the page name the board, its cells and the sides through
// this header only.
#pragma once

#include <optional>
#include <string>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/cell.h"
#include "rules/side.h"

namespace gamepage {

using Board = rules::Board;
using Cell = rules::Cell;
using Side = rules::Side;

// The letter the display and the page use for a piece: w/W white soldier and
// town hall, b/B black; empty for an empty square.
std::string piece_letter(Cell cell);

}  // namespace gamepage
