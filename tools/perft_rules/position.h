// A position file for perft_rules, in the letters of the bench sets:
//
//   # lines starting with '#' are comments; blank lines are skipped
//   black                 <- the side to move: "black" or "white"
//   W w W w W w W w       <- row 0 first, one letter per column,
//   . w . w . w . w          spaces between letters optional
//   ...
//
// '.' empty, 'w' white soldier, 'W' white town hall, 'b' black soldier,
// 'B' black town hall. The file holds exactly one position of the given size.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "rules/board.h"
#include "rules/side.h"

namespace perft_rules {

struct Position {
    rules::Board board;
    rules::Side to_move;
};

// nullopt and, when `why` is given, one sentence on what was wrong.
std::optional<Position> read_position(std::istream& in, int rows, int columns, std::string* why);

}  // namespace perft_rules
