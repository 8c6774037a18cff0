#include "rules/board.h"

#include <algorithm>

#include "rules/hash.h"

namespace rules {

Board::Board(int rows, int columns)
    : rows_(rows),
      columns_(columns),
      cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), Cell::Empty) {}

Board Board::starting(int rows, int columns) {
    Board board(rows, columns);
    for (int x = 0; x < columns; ++x) {
        if (x % 2 == 0) {
            board.set(x, 0, Cell::WhiteTownHall);
            for (int y = rows - 3; y < rows; ++y)
                board.set(x, y, Cell::BlackSoldier);
        } else {
            for (int y = 0; y < 3; ++y)
                board.set(x, y, Cell::WhiteSoldier);
            board.set(x, rows - 1, Cell::BlackTownHall);
        }
    }
    return board;
}

void Board::apply(const protocol::MoveLine& move) {
    if (move.action == 'M') {
        // Source first, so a move onto its own square changes nothing.
        const Cell piece = at(move.x1, move.y1);
        set(move.x1, move.y1, Cell::Empty);
        set(move.x2, move.y2, piece);
    } else {
        set(move.x2, move.y2, Cell::Empty);
    }
}

int Board::town_halls(Side side) const {
    return static_cast<int>(std::count(cells_.begin(), cells_.end(), town_hall_of(side)));
}

std::uint64_t Board::hash(Side to_move) const {
    std::uint64_t key = size_key(rows_, columns_);
    if (to_move == Side::White)
        key ^= white_to_move_key();
    for (std::size_t square = 0; square < cells_.size(); ++square)
        key ^= square_key(square, cells_[square]);
    return key;
}

}  // namespace rules
