#include "tests/rules/random_positions.h"

#include <algorithm>
#include <vector>

#include "rules/legal_moves.h"

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

void random_games(unsigned seed, int rows, int columns, int positions,
                  const std::function<void(const Board&, Side)>& visit) {
    std::mt19937 rng(seed);
    while (positions > 0) {
        Board board = Board::starting(rows, columns);
        Side side = Side::Black;
        for (int ply = 0; ply < 150 && positions > 0; ++ply, --positions) {
            visit(board, side);
            std::vector<protocol::MoveLine> moves =
                rules::legal_moves(board, side, rules::Reading::Gridplayer);
            for (const auto& move : rules::legal_moves(board, side, rules::Reading::Treeplayer)) {
                if (std::find(moves.begin(), moves.end(), move) == moves.end())
                    moves.push_back(move);
            }
            if (moves.empty())
                break;
            board.apply(
                moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(rng)]);
            side = rules::opponent(side);
        }
    }
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
