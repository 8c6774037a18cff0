#include "tools/perft_rules/perft.h"

#include "rules/legal_moves.h"

namespace perft_rules {

namespace {

// Makes each move on `board` and takes it back afterwards: a move changes at
// most its two squares, so putting them back is cheaper than a copy.
std::uint64_t count(rules::Board& board, rules::Side side, rules::Reading reading, int depth) {
    const std::vector<protocol::MoveLine> moves = rules::legal_moves(board, side, reading);
    if (depth == 1)
        return moves.size();
    std::uint64_t total = 0;
    for (const protocol::MoveLine& move : moves) {
        const rules::Cell source = board.at(move.x1, move.y1);
        const rules::Cell target = board.at(move.x2, move.y2);
        board.apply(move);
        total += count(board, rules::opponent(side), reading, depth - 1);
        board.set(move.x2, move.y2, target);
        board.set(move.x1, move.y1, source);
    }
    return total;
}

}  // namespace

std::uint64_t perft(const rules::Board& board, rules::Side side, rules::Reading reading,
                    int depth) {
    if (depth <= 0)
        return 1;
    rules::Board scratch = board;
    return count(scratch, side, reading, depth);
}

std::vector<DivideLine> divide(const rules::Board& board, rules::Side side, rules::Reading reading,
                               int depth) {
    std::vector<DivideLine> lines;
    if (depth <= 0)
        return lines;
    for (const protocol::MoveLine& move : rules::legal_moves(board, side, reading)) {
        rules::Board after = board;
        after.apply(move);
        lines.push_back({move, perft(after, rules::opponent(side), reading, depth - 1)});
    }
    return lines;
}

}  // namespace perft_rules
