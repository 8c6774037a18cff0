// The board a replay steps through. Every file of the replay names the board
// through this header only, so moving to another implementation of the same
// interface (starting, at, set, inside, apply, town_halls) is one line here.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "protocol/move_line.h"
#include "referee/board.h"

namespace replay {

using Board = referee::Board;
using Cell = std::remove_cvref_t<decltype(std::declval<const Board&>().at(0, 0))>;

// The letter the display and the page use for a piece: w/W white soldier and
// town hall, b/B black; empty for an empty square.
std::string piece_letter(Cell cell);

// Why `move` cannot be replayed on `board`, or nullopt when it can: both
// squares on the board, not the same square, and, for a step, a piece on the
// source to move.
std::optional<std::string> replay_refusal(const Board& board, const protocol::MoveLine& move);

}  // namespace replay
