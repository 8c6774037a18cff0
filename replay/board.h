// The board a replay steps through, from the game's rules library: every
// file of the replay names the board, its cells and the sides through this
// header only.
#pragma once

#include <optional>
#include <string>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/cell.h"
#include "rules/side.h"

namespace replay {

using Board = rules::Board;
using Cell = rules::Cell;
using Side = rules::Side;

// The letter the display and the page use for a piece: w/W white soldier and
// town hall, b/B black; empty for an empty square.
std::string piece_letter(Cell cell);

// Why `side` cannot have played `move` on `board`, or nullopt when it can as
// far as any referee checks, whichever players' rules it held them to: both
// squares on the board, a soldier of the mover on the source, no piece of
// the mover on the target.
std::optional<std::string> replay_refusal(const Board& board, Side side,
                                          const protocol::MoveLine& move);

}  // namespace replay
