// The referee's board is the common ground of the property tests: positions
// are kept as referee boards and translated into each player's cell codes.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "protocol/move_line.h"
#include "referee/board.h"
#include "treeplayer/types.h"

namespace props {

using referee::Cell;
using referee::Side;

// treeplayer: black soldier 1, black hall 2, white soldier -1, white hall -2.
int treeplayer_code(Cell cell);
// gridplayer: white hall 1, white soldier 2, black hall -1, black soldier -2.
int gridplayer_code(Cell cell);

::Board to_treeplayer(const referee::Board& board);
referee::Board from_treeplayer(const ::Board& board);

// Loads the position into gridplayer's globals (n, m and the board).
void load_gridplayer(const referee::Board& board);
referee::Board from_gridplayer(int** grid, int rows, int columns);

protocol::MoveLine to_line(const Move& move);

// Moves each player generates for `side` in `board`, as move lines.
std::vector<protocol::MoveLine> treeplayer_moves(const referee::Board& board, Side side);
std::vector<protocol::MoveLine> gridplayer_moves(const referee::Board& board, Side side);

}  // namespace props
