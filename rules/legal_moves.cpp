#include "rules/legal_moves.h"

#include "rules/movegen_gridplayer.h"
#include "rules/movegen_treeplayer.h"

namespace rules {

std::vector<protocol::MoveLine> legal_moves(const Board& board, Side side, Reading reading) {
    std::vector<protocol::MoveLine> moves;
    if (!applies(reading, board.rows(), board.columns()))
        return moves;
    // Enough for a midgame side on 10x10 without growing.
    moves.reserve(64);
    if (reading == Reading::Treeplayer)
        treeplayer_moves(board, side, moves);
    else
        gridplayer_moves(board, side, moves);
    return moves;
}

}  // namespace rules
