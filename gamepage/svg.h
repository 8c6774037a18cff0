// The board as an SVG picture. The page draws its positions into the same
// picture, so a position looks the same in a file and in the browser: every
// square is a <g class="sq"> with data-x, data-y and data-piece (w, W, b, B
// or empty), the pieces are <use> of shapes defined once, and the last move
// is drawn over the board in <g id="move">.
#pragma once

#include <optional>
#include <string>

#include "protocol/move_line.h"
#include "rules/board.h"

namespace gamepage {

// Square size and the room for the coordinates, in SVG units; the page reads
// them back from the picture's data-cell and data-margin.
constexpr int kCell = 48;
constexpr int kMargin = 24;

// `board` with the last move's squares marked: a step as an arrow from the
// source, a shot as a dashed line and a burst on the target. A caption, when
// given, is written under the board and is the picture's title too.
std::string svg_picture(const rules::Board& board, const std::optional<protocol::MoveLine>& last,
                        const std::string& caption = "");

// The picture with no piece on it, which the page fills in.
std::string svg_empty_board(int rows, int columns);

}  // namespace gamepage
