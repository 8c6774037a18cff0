// treeplayer's value types: the board grid, squares, move
// records, cannons and the cell codes.
#pragma once

#include <tuple>
#include <vector>

namespace treeplayer {

// 8 rows of 8 cell codes, addressed board[y][x] (row, then column).
using Board = std::vector<std::vector<int>>;

// A square: x is the column, y the row.
struct coord {
    int x;
    int y;
    bool operator==(const coord&) const = default;
};

// (piece, x1, y1, action, x2, y2).
using Move = std::tuple<char, int, int, char, int, int>;

// Three squares of a line of three soldiers; the middle one is element 1.
using Cannon = std::tuple<coord, coord, coord>;

constexpr int EMPTY = 0;
constexpr int BLACK_SOLDIER = 1;
constexpr int BLACK_TOWNHALL = 2;
constexpr int WHITE_SOLDIER = -1;
constexpr int WHITE_TOWNHALL = -2;

}  // namespace treeplayer
