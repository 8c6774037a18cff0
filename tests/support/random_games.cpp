#include "random_games.h"

#include <algorithm>

#include "rules/legal_moves.h"

namespace test_support {

void random_games(const RandomPlay& play, const Turn& turn) {
    std::mt19937 rng(play.seed);
    long visited = 0;
    while (visited < play.positions) {
        rules::Board board = rules::Board::starting(play.rows, play.columns);
        rules::Side side = rules::Side::Black;
        for (int ply = 0; ply < play.max_plies && visited < play.positions; ++ply) {
            if (play.over && play.over(board))
                break;
            ++visited;
            const auto moves = turn(board, side, rng);
            if (!moves)
                return;
            if (moves->empty())
                break;
            board.apply(
                (*moves)[std::uniform_int_distribution<std::size_t>(0, moves->size() - 1)(rng)]);
            side = rules::opponent(side);
        }
    }
}

std::vector<protocol::MoveLine> moves_of_either_reading(const rules::Board& board,
                                                        rules::Side side) {
    std::vector<protocol::MoveLine> moves =
        rules::legal_moves(board, side, rules::Reading::Gridplayer);
    for (const auto& move : rules::legal_moves(board, side, rules::Reading::Treeplayer)) {
        if (std::find(moves.begin(), moves.end(), move) == moves.end())
            moves.push_back(move);
    }
    return moves;
}

}  // namespace test_support
