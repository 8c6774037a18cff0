#include "referee/game/repetition.h"

#include <algorithm>
#include <utility>

namespace referee {

RepetitionTable::Hash RepetitionTable::default_hash() {
    return [](const rules::Board& board, rules::Side to_move) { return board.hash(to_move); };
}

RepetitionTable::RepetitionTable(rules::Board start, Hash hash)
    : start_(std::move(start)), hash_(std::move(hash)) {
    plies_[hash_(start_, rules::Side::Black)].push_back(0);
}

int RepetitionTable::record(const rules::Board& board, const std::vector<PlayedMove>& moves) {
    const std::size_t ply = moves.size();
    const rules::Side to_move = side_to_move(ply);
    std::vector<std::size_t>& candidates = plies_[hash_(board, to_move)];
    int occurrences = 1;
    // One replay from the start visits every candidate in ply order; only
    // plies with the same side to move can hold the same position.
    rules::Board replay = start_;
    std::size_t replayed = 0;
    for (std::size_t earlier : candidates) {
        if (side_to_move(earlier) != to_move)
            continue;
        for (; replayed < earlier; ++replayed)
            replay.apply(moves[replayed].move);
        if (replay == board)
            ++occurrences;
    }
    candidates.push_back(ply);
    return occurrences;
}

}  // namespace referee
