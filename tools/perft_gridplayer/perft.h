// Move-generator counts for gridplayer: how many positions the two colours'
// generators reach when they alternate for a given number of plies. A wrong
// count points at a rule or an order that changed.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace perft_gridplayer {

// Positions reached after `depth` plies from `grid` (the globals n and m give
// its size), black moving first when `blackToMove`. Every node made is
// released before returning.
std::uint64_t perft(int** grid, int depth, bool blackToMove);

struct DivideLine {
    std::string move;  // e.g. "S 0 5 M 0 4"
    std::uint64_t count;
};

// The same count split by root move, in generation order.
std::vector<DivideLine> divide(int** grid, int depth, bool blackToMove);

// A position read from a text file:
//
//   # lines starting with '#' are comments, blank lines are skipped
//   black                 <- side to move: "black" or "white"
//   W w W w W w W w       <- row 0 first, one character per column;
//   . w . w . w . w          spaces between characters are optional
//   ...
//
// Cells: '.' empty, 'w' white soldier, 'W' white town hall, 'b' black soldier,
// 'B' black town hall. The file must hold exactly `rows` rows of `columns`.
struct Position {
    bool blackToMove = true;
    std::vector<int> cells;  // row-major, cell codes
};

bool readPosition(std::istream& in, int rows, int columns, Position& out, std::string* why);

// The command line: perft_gridplayer ROWS COLUMNS DEPTH [POSITION_FILE].
// Writes the divide lines and "total: N"; returns the exit status.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace perft_gridplayer
