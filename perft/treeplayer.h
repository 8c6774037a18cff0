// Perft for treeplayer: counts the positions that the move list of tree
// expansion (board_moves, the list Node::SetChildren builds) reaches to a
// given depth, the side to move alternating. Shared by the perft tool, the
// tests and the benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "perft/command.h"
#include "treeplayer/types.h"

namespace perft_tp {

using treeplayer::Board;
using treeplayer::Move;

// Leaf count: 1 at depth 0, else the sum over the side's moves of the
// count of the child (other side to move) at depth - 1.
std::uint64_t perft(const Board& board, bool black, int depth);

struct DivideLine {
    Move move;
    std::uint64_t count;
};

// One line per root move, in move-list order, with its count at depth - 1.
// Empty for depth 0.
std::vector<DivideLine> divide(const Board& board, bool black, int depth);

// "S 0 5 M 0 4", the move line of a move.
std::string move_line(const Move& move);

// "S 0 5 M 0 4: 1234".
std::string format_divide_line(const DivideLine& line);

// The perft command for treeplayer: 8x8 only, its own start position and
// move list (main is only this).
perft_command::Tool perft_tool();

}  // namespace perft_tp
