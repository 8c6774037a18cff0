// What treeplayer's process tests need from the library besides the binary
// itself: the move the program is expected to answer with.
#pragma once

#include "treeplayer/types.h"

namespace tp_test {

using treeplayer::Board;
using treeplayer::Move;

// The move treeplayer's library chooses for `black` to move on `board`
// (create_tree(root, 0) + minimax), or nullopt-like false when none.
bool choose_move(const Board& board, bool black, Move& move);

}  // namespace tp_test
