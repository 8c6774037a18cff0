// The legal move list of the side to move.
#pragma once

#include <vector>

#include "treeplayer/types.h"

// Every soldier move (soldier by soldier in list order), then every cannon
// move (cannon by cannon), of the side whose lists are given.
std::vector<Move> next_moves(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                             const std::vector<coord>& enemy, bool black);

// The list that tree expansion builds for a board and the side
// to move: the soldier lists and cannons of the board handed to next_moves.
// Shared by Node::SetChildren, the perft tool and the tests.
std::vector<Move> board_moves(const Board& board, bool black);

namespace tp_ref {
std::vector<Move> next_moves(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                             const std::vector<coord>& enemy, bool black);
}  // namespace tp_ref
