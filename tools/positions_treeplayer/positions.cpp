#include "positions.h"

#include <random>

#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

namespace perft_tp {
namespace {

int halls(const Board& b, int code) {
    int n = 0;
    for (const auto& row : b) {
        for (int cell : row)
            n += cell == code;
    }
    return n;
}

}  // namespace

std::vector<Position> random_positions(int count, std::uint32_t seed) {
    std::vector<Position> positions;
    for (int i = 0; i < count; ++i) {
        std::mt19937 rng(seed + static_cast<std::uint32_t>(i));
        const int plies = 26 + static_cast<int>(rng() % 9);
        Position p{initialise(), true};
        for (int ply = 0; ply < plies; ++ply) {
            if (halls(p.board, BLACK_TOWNHALL) <= 2 || halls(p.board, WHITE_TOWNHALL) <= 2)
                break;
            const std::vector<Move> moves = board_moves(p.board, p.black);
            if (moves.empty())
                break;
            p.board = Update_board(moves[rng() % moves.size()], p.board);
            p.black = !p.black;
        }
        positions.push_back(p);
    }
    return positions;
}

}  // namespace perft_tp
