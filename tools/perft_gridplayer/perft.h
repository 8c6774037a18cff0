// Move-generator counts for gridplayer: how many positions the two colours'
// generators reach when they alternate for a given number of plies. A wrong
// count points at a rule or an order that changed.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/perft_common/perft_command.h"

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

// A position in gridplayer's cell codes, read from a position file
// (tools/perft_common/position_file.h: the side to move, then one row of
// letters per line) holding exactly `rows` rows of `columns` cells.
struct Position {
    bool blackToMove = true;
    std::vector<int> cells;  // row-major, cell codes
};

bool readPosition(std::istream& in, int rows, int columns, Position& out, std::string* why);

// The perft command for gridplayer: 6..10 rows, 1..10 columns, its own start
// position and generators; run is the whole program.
perft_command::Tool perftTool();
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace perft_gridplayer
