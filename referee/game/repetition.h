// The repetition rule's memory: how often each position has occurred, with
// the side to move. A long game on a large board must not keep a copy of
// every position (100 x 100 cells a ply), so the table keeps each
// position's hash and the ply it occurred after. When a hash matches, the
// earlier position is rebuilt by replaying the game's moves from the start
// and compared in full: a hash collision can never draw a game.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "referee/game/played_move.h"
#include "rules/board.h"
#include "rules/side.h"

namespace referee {

class RepetitionTable {
  public:
    using Hash = std::function<std::uint64_t(const rules::Board&, rules::Side)>;

    // `start` is the position before the first move, black to move. `hash`
    // is replaceable so that tests can force collisions.
    explicit RepetitionTable(rules::Board start, Hash hash = default_hash());

    // Records the position after `moves` (every move of the game so far,
    // in order, the last one leading to `board`) and returns how many times
    // it has now occurred, this time included.
    int record(const rules::Board& board, const std::vector<PlayedMove>& moves);

  private:
    static Hash default_hash();

    rules::Board start_;
    Hash hash_;
    // hash -> plies after which a position with that hash occurred
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> plies_;
};

// The side to move after `ply` plies: black moves first.
inline rules::Side side_to_move(std::size_t ply) {
    return ply % 2 == 0 ? rules::Side::Black : rules::Side::White;
}

}  // namespace referee
