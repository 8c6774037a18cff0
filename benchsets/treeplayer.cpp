#include "benchsets/treeplayer.h"

#include <random>

#include "positions/treeplayer_cells.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace tp_bench {
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

std::vector<positions::Position> random_positions(int count, std::uint32_t seed) {
    std::vector<positions::Position> made;
    for (int i = 0; i < count; ++i) {
        std::mt19937 rng(seed + static_cast<std::uint32_t>(i));
        const int plies = 26 + static_cast<int>(rng() % 9);
        Board board = initialise();
        bool black = true;
        for (int ply = 0; ply < plies; ++ply) {
            if (halls(board, BLACK_TOWNHALL) <= 2 || halls(board, WHITE_TOWNHALL) <= 2)
                break;
            const std::vector<Move> moves = board_moves(board, black);
            if (moves.empty())
                break;
            board = Update_board(moves[rng() % moves.size()], board);
            black = !black;
        }
        made.push_back(positions::from_treeplayer(board, black));
    }
    return made;
}

}  // namespace tp_bench
