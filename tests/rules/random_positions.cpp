#include "tests/rules/random_positions.h"

namespace rules_test {

using rules::Board;
using rules::Cell;
using rules::Side;

Board empty_board(int rows, int columns) {
    Board board = Board::starting(rows, columns);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x)
            board.set(x, y, Cell::Empty);
    }
    return board;
}

Board scattered_position(std::mt19937& rng, int rows, int columns) {
    const Board start = Board::starting(rows, columns);
    Board board = empty_board(rows, columns);
    std::uniform_int_distribution<int> percent(0, 99);
    const int hall_odds = 40 + percent(rng) / 2;
    const int soldier_odds = 5 + percent(rng) / 2;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const Cell home = start.at(x, y);
            if (home == Cell::WhiteTownHall || home == Cell::BlackTownHall) {
                if (percent(rng) < hall_odds) {
                    board.set(x, y, home);
                    continue;
                }
            }
            if (percent(rng) < soldier_odds)
                board.set(x, y, percent(rng) < 50 ? Cell::BlackSoldier : Cell::WhiteSoldier);
        }
    }
    return board;
}

std::string picture(const Board& board) {
    std::string text;
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            text += ".bBwW"[static_cast<int>(board.at(x, y))];
        text += '\n';
    }
    return text;
}

}  // namespace rules_test
