// A position of any size: what stands on every square. Squares are addressed
// (x, y) as on the wire, x the column and y the row, both from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/move_line.h"
#include "rules/cell.h"
#include "rules/side.h"

namespace rules {

// The boards a game is played on. Each side starts on three rows of its
// own, so a board has at least six; black's town halls stand on the odd
// columns, so it needs two columns to start with one; and a hundred rows or
// columns keep every coordinate far inside what a move line carries.
inline constexpr int kMinRows = 6;
inline constexpr int kMinColumns = 2;
inline constexpr int kMaxSide = 100;

// The town halls `side` starts with on a board of `columns` columns: white's
// stand on the even columns, black's on the odd ones, so black never has
// more.
constexpr int starting_town_halls(Side side, int columns) {
    return side == Side::White ? (columns + 1) / 2 : columns / 2;
}

class Board {
  public:
    // The opening position: white's town halls on the even columns of row 0
    // and its soldiers on the odd columns of rows 0-2; black mirrored on the
    // last rows (town halls on odd columns, soldiers on even columns).
    static Board starting(int rows, int columns);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    bool inside(int x, int y) const { return x >= 0 && x < columns_ && y >= 0 && y < rows_; }
    Cell at(int x, int y) const { return cells_[index(x, y)]; }
    void set(int x, int y, Cell cell) { cells_[index(x, y)] = cell; }

    // "M": the source piece moves to the target, replacing what stood there.
    // "B": the target is emptied and nothing moves. Both squares must be on
    // the board; legality is the caller's business (see judge.h).
    void apply(const protocol::MoveLine& move);

    int town_halls(Side side) const;

    // A 64-bit key of the position and the side to move, for a repetition
    // table: equal positions give equal keys; different ones collide with
    // odds of about 2^-64, so a table that must be exact compares boards too.
    std::uint64_t hash(Side to_move) const;

    bool operator==(const Board&) const = default;

  private:
    Board(int rows, int columns);
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(x);
    }

    int rows_;
    int columns_;
    std::vector<Cell> cells_;
};

}  // namespace rules
