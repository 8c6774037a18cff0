// One recorded game: its tag pairs, its moves as played and its result, and
// the positions they lead to.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/move_line.h"
#include "replay/board.h"

namespace replay {

struct RecordedMove {
    protocol::MoveLine move;
    double seconds = 0;  // from the move's time comment; 0 when it has none
    int line = 0;        // where the move stands in the record file
};

struct Game {
    std::vector<std::pair<std::string, std::string>> tags;  // in record order
    int rows = 8;
    int columns = 8;
    double time_seconds = 150;     // each side's allowance, for the clocks
    double increment_seconds = 0;  // added to the mover's clock after each move
    double move_seconds = 0;       // the most one move could take; 0 for no bound
    std::vector<RecordedMove> moves;
    // "1-0", "0-1", "1/2-1/2", or "*" for a game the record leaves unfinished.
    std::string result = "*";

    // The value of the first tag of that name, or "" when there is none.
    std::string tag(std::string_view name) const;
    int plies() const { return static_cast<int>(moves.size()); }
};

// Who made ply `ply` (counted from 1): black opens the game, so black makes
// the odd plies.
Side mover(int ply);

// The position after the first `ply` moves; the moves must have been checked
// to replay (read_record does).
Board position_after(const Game& game, int ply);

// Seconds left on black's and white's clocks after `ply` moves, as the
// record's move times and its time control's increment tell.
std::array<double, 2> clocks_after(const Game& game, int ply);

}  // namespace replay
