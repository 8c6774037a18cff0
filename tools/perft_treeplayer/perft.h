// Perft for treeplayer: counts the positions that the move list of tree
// expansion (board_moves, the list Node::SetChildren builds) reaches to a
// given depth, the side to move alternating. Shared by the perft tool, the
// tests and the benchmarks, together with the position file format.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "treeplayer/types.h"

namespace perft_tp {

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

// "S 0 5 M 0 4: 1234".
std::string format_divide_line(const DivideLine& line);

// A position: a board and the side to move.
struct Position {
    Board board;
    bool black = true;
};

// Position file format (also the benchmark data file, which holds several):
//   - lines that are empty or start with '#' are skipped anywhere;
//   - 8 lines, rows y = 0 to 7, each of 8 cell codes (-2, -1, 0, 1, 2)
//     separated by spaces, column x = 0 first;
//   - one line "black" or "white": the side to move.
// Reads the next position; nullopt at end of input before its first line
// (why left empty) or on a malformed position (why says what was wrong).
std::optional<Position> read_position(std::istream& in, std::string* why);

// Writes a position in that format.
void write_position(std::ostream& out, const Position& position);

}  // namespace perft_tp
