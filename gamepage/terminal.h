// The board and the lines about it as a terminal shows them: what a person
// watching a game at the referee sees, and what replay prints of a record.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "protocol/move_line.h"
#include "rules/board.h"

namespace gamepage {

// Column numbers (x) across the top, row numbers (y) down the side, so a
// square reads off the board exactly as a move line writes it. Soldiers are
// b and w, town halls B and W. The last move's squares are marked: a step,
// capture or slide brackets the square it left and the one it reached,
// "[.]" and "[b]"; a shot, which moves nothing, puts the soldier that named
// it in parentheses, "(b)", and stars round the square it emptied, "*.*".
// With `color`, black's pieces are red, white's cyan and the marks bold.
std::string render_board(const rules::Board& board, const std::optional<protocol::MoveLine>& last,
                         bool color);

// "ply 12: black played S 0 5 M 0 4 (0.31 s) | white to move | clocks black 148.9 s, white 149.7 s"
std::string render_status(int ply, rules::Side mover, const std::string& move, double took,
                          const std::array<double, 2>& clock_left);

// "black to move | clocks black 150.0 s, white 150.0 s": the line above the
// first board, before anyone has moved.
std::string render_start(const std::array<double, 2>& clock_left);

// "148.9 s"
std::string clock_text(double seconds);
// "clocks black 148.9 s, white 149.7 s"
std::string render_clocks(const std::array<double, 2>& clock_left);

}  // namespace gamepage
