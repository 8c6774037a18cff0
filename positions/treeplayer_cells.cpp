#include "positions/treeplayer_cells.h"

#include <cstddef>

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace positions {

namespace {

constexpr int kSide = 8;

}  // namespace

char treeplayer_letter(int code) {
    switch (code) {
        case BLACK_SOLDIER:
            return 'b';
        case BLACK_TOWNHALL:
            return 'B';
        case WHITE_SOLDIER:
            return 'w';
        case WHITE_TOWNHALL:
            return 'W';
        default:
            return '.';
    }
}

int treeplayer_code(char letter) {
    switch (letter) {
        case 'b':
            return BLACK_SOLDIER;
        case 'B':
            return BLACK_TOWNHALL;
        case 'w':
            return WHITE_SOLDIER;
        case 'W':
            return WHITE_TOWNHALL;
        default:
            return EMPTY;
    }
}

Board treeplayer_board(const Position& position) {
    Board board(kSide, std::vector<int>(kSide, EMPTY));
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x)
            board[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
                treeplayer_code(position.at(y, x));
    }
    return board;
}

Position from_treeplayer(const Board& board, bool black_to_move) {
    Position position{kSide, kSide, black_to_move, {}};
    for (const auto& row : board) {
        for (int cell : row)
            position.cells.push_back(treeplayer_letter(cell));
    }
    return position;
}

}  // namespace positions
