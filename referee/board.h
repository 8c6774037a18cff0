// The referee's own view of the board: just enough of the rules to check
// that a move line names a real move of the right side, to apply it, and to
// decide the end of a game. Deliberately no move generation: the two players
// read several rules differently, and the referee must not side with either.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/move_line.h"

namespace referee {

enum class Side { Black, White };

inline Side opponent(Side side) {
    return side == Side::Black ? Side::White : Side::Black;
}
const char* side_name(Side side);

enum class Cell : char { Empty, BlackSoldier, BlackTownHall, WhiteSoldier, WhiteTownHall };

bool belongs_to(Cell cell, Side side);
bool is_soldier(Cell cell);

class Board {
  public:
    // The opening position: white's town halls on the even columns of row 0
    // and its soldiers on the odd columns of rows 0-2; black mirrored on the
    // last rows (town halls odd columns, soldiers even columns).
    static Board starting(int rows, int columns);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    bool inside(int x, int y) const { return x >= 0 && x < columns_ && y >= 0 && y < rows_; }
    Cell at(int x, int y) const { return cells_[index(x, y)]; }
    void set(int x, int y, Cell cell) { cells_[index(x, y)] = cell; }

    // Why `move` cannot be played by `side` here, or nullopt when it can as
    // far as the referee checks: both squares on the board, a soldier of the
    // mover on the source, no piece of the mover on the target.
    std::optional<std::string> refusal(const protocol::MoveLine& move, Side side) const;

    // "M": the source piece moves to the target, replacing what stood there.
    // "B": the target is emptied and nothing moves. Call only after refusal()
    // found nothing.
    void apply(const protocol::MoveLine& move);

    int town_halls(Side side) const;

    // Identifies the position together with the side to move, for the
    // repetition rule.
    std::string key(Side to_move) const;

    // A 64-bit digest of the same: what the repetition table keeps instead
    // of whole positions. Equal positions hash equal; a match is confirmed
    // by comparing the positions themselves.
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

}  // namespace referee
