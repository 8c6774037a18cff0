// Midgame positions for treeplayer's benchmarks: seeded random play from the
// start with treeplayer's own move list.
#pragma once

#include <cstdint>
#include <vector>

#include "positions/position.h"

namespace tp_bench {

// `count` positions; position i comes from a game of its own, played from
// the start (black first) with moves drawn uniformly by an mt19937 seeded
// with seed + i (index = draw % number of moves), for 26 + (first draw % 9)
// plies, that is about 30. A game stops early when either side is down to
// two town halls or the side to move has no move. The side to move is kept.
std::vector<positions::Position> random_positions(int count, std::uint32_t seed);

}  // namespace tp_bench
