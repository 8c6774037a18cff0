// Move-generation counts under one reading of the rules: how many positions
// the legal moves reach when the two sides alternate for a number of plies.
// Equal to the player's own count exactly when the library's reading and the
// player's generator agree.
#pragma once

#include <cstdint>
#include <vector>

#include "perft/command.h"
#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/reading.h"
#include "rules/side.h"

namespace perft_rules {

// Positions reached after `depth` plies, `side` moving first: 1 at depth 0.
std::uint64_t perft(const rules::Board& board, rules::Side side, rules::Reading reading, int depth);

struct DivideLine {
    protocol::MoveLine move;
    std::uint64_t count;
};

// The same count split by first move, in the reading's generation order.
// Empty at depth 0.
std::vector<DivideLine> divide(const rules::Board& board, rules::Side side, rules::Reading reading,
                               int depth);

// The perft command of the rules library, in the style every perft tool
// shares plus the choice of reading (main is only this):
//
//   perft_rules --rules treeplayer|gridplayer [--rows R --columns C]
//               [--position FILE] DEPTH
perft_command::Tool perft_tool();

}  // namespace perft_rules
