// A position in gridplayer's cells and back. gridplayer's codes: 2/1 white
// soldier/town hall, -2/-1 black, 0 empty; its board is rows of cells, row 0
// first. Only tools that run gridplayer link this.
#pragma once

#include <vector>

#include "positions/position.h"

namespace positions {

// The letter of a gridplayer cell code and back; anything else is '.' or 0.
char gridplayer_letter(int code);
int gridplayer_code(char letter);

// The position's cells as gridplayer codes, row-major.
std::vector<int> gridplayer_cells(const Position& position);
// The position on a gridplayer board of `rows` x `columns`.
Position from_gridplayer(const int* const* grid, int rows, int columns, bool black_to_move);

}  // namespace positions
