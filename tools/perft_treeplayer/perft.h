// Perft for treeplayer: counts the positions that the move list of tree
// expansion (board_moves, the list Node::SetChildren builds) reaches to a
// given depth, the side to move alternating. Shared by the perft tool, the
// tests and the benchmarks, together with reading and writing positions.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tools/perft_common/perft_command.h"
#include "tools/perft_common/position_file.h"
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

// "S 0 5 M 0 4", the move line of a move.
std::string move_line(const Move& move);

// "S 0 5 M 0 4: 1234".
std::string format_divide_line(const DivideLine& line);

// A position: a board and the side to move.
struct Position {
    Board board;
    bool black = true;
};

// The position file of tools/perft_common/position_file.h (letters, side to
// move first), 8x8; treeplayer's bench set holds 50 of them. Reads the next
// position; nullopt at the end of input (why left empty) or on a malformed
// position (why says what was wrong).
std::optional<Position> read_position(std::istream& in, std::string* why);

// Writes a position in that format.
void write_position(std::ostream& out, const Position& position);

// The same position in the file's letters, and back (8x8 only).
position_file::Position to_letters(const Position& position);
Position from_letters(const position_file::Position& position);

// The perft command for treeplayer: 8x8 only, its own start position and
// move list (main is only this).
perft_command::Tool perft_tool();

}  // namespace perft_tp
