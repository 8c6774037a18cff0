// The legal move list of the side to move.
#pragma once

#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

// Every soldier move (soldier by soldier in list order), then every cannon
// move (cannon by cannon), of the side whose lists are given.
std::vector<Move> next_moves(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                             const std::vector<coord>& enemy, bool black);

// The list tree expansion makes its children from: the soldier lists and the
// mover's cannons of `board` handed to next_moves. Node::SetChildren, the
// perft tool and the tests all take it from here.
std::vector<Move> board_moves(const Board& board, bool black);

}  // namespace treeplayer
