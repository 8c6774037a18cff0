// The rules library's board is the common ground of the tests that compare
// the programs: positions are kept as its boards and translated into each
// player's cell codes.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "treeplayer/types.h"

namespace props {

using rules::Cell;
using rules::Side;

// treeplayer: black soldier 1, black hall 2, white soldier -1, white hall -2.
int treeplayer_code(Cell cell);
// gridplayer: white hall 1, white soldier 2, black hall -1, black soldier -2.
int gridplayer_code(Cell cell);

treeplayer::Board to_treeplayer(const rules::Board& board);
rules::Board from_treeplayer(const treeplayer::Board& board);

// Loads the position into gridplayer's globals (n, m and the board).
void load_gridplayer(const rules::Board& board);
rules::Board from_gridplayer(int** grid, int rows, int columns);

protocol::MoveLine to_line(const treeplayer::Move& move);

// Moves each player generates for `side` in `board`, as move lines.
std::vector<protocol::MoveLine> treeplayer_moves(const rules::Board& board, Side side);
std::vector<protocol::MoveLine> gridplayer_moves(const rules::Board& board, Side side);

}  // namespace props
