#include "referee/board.h"

#include <algorithm>

namespace referee {

const char* side_name(Side side) {
    return side == Side::Black ? "black" : "white";
}

bool belongs_to(Cell cell, Side side) {
    if (side == Side::Black)
        return cell == Cell::BlackSoldier || cell == Cell::BlackTownHall;
    return cell == Cell::WhiteSoldier || cell == Cell::WhiteTownHall;
}

bool is_soldier(Cell cell) {
    return cell == Cell::BlackSoldier || cell == Cell::WhiteSoldier;
}

Board::Board(int rows, int columns)
    : rows_(rows),
      columns_(columns),
      cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), Cell::Empty) {}

Board Board::starting(int rows, int columns) {
    Board board(rows, columns);
    for (int x = 0; x < columns; ++x) {
        const bool even = x % 2 == 0;
        if (even) {
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

std::optional<std::string> Board::refusal(const protocol::MoveLine& move, Side side) const {
    if (!inside(move.x1, move.y1))
        return "the source square is off the board";
    if (!inside(move.x2, move.y2))
        return "the target square is off the board";
    const Cell source = at(move.x1, move.y1);
    if (!is_soldier(source) || !belongs_to(source, side)) {
        return std::string("the source square holds no ") + side_name(side) + " soldier";
    }
    if (belongs_to(at(move.x2, move.y2), side)) {
        return std::string("the target square holds a ") + side_name(side) + " piece";
    }
    return std::nullopt;
}

void Board::apply(const protocol::MoveLine& move) {
    if (move.action == 'M') {
        set(move.x2, move.y2, at(move.x1, move.y1));
        set(move.x1, move.y1, Cell::Empty);
    } else {
        set(move.x2, move.y2, Cell::Empty);
    }
}

int Board::town_halls(Side side) const {
    const Cell hall = side == Side::Black ? Cell::BlackTownHall : Cell::WhiteTownHall;
    return static_cast<int>(std::count(cells_.begin(), cells_.end(), hall));
}

std::string Board::key(Side to_move) const {
    std::string key;
    key.reserve(cells_.size() + 1);
    key += to_move == Side::Black ? 'b' : 'w';
    for (Cell cell : cells_)
        key += static_cast<char>('0' + static_cast<int>(cell));
    return key;
}

}  // namespace referee

namespace referee {

// FNV-1a over the side to move and every cell: simple, and spreads the
// small changes one move makes over the whole word.
std::uint64_t Board::hash(Side to_move) const {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&](unsigned value) {
        hash ^= value;
        hash *= kPrime;
    };
    mix(to_move == Side::Black ? 1U : 2U);
    for (Cell cell : cells_)
        mix(static_cast<unsigned>(cell));
    return hash;
}

}  // namespace referee
