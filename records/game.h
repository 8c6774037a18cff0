// One recorded game: its tag pairs, its moves as played and its result, and
// the positions and clocks they lead to.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/move_line.h"
#include "records/time_control.h"
#include "rules/board.h"
#include "rules/side.h"

namespace records {

struct RecordedMove {
    protocol::MoveLine move;
    double seconds = 0;  // from the move's time comment; 0 when it has none
    int line = 0;        // where the move stands in the record file
};

struct Game {
    std::vector<std::pair<std::string, std::string>> tags;  // in record order
    int rows = 8;
    int columns = 8;
    TimeControl time_control;
    std::vector<RecordedMove> moves;
    // "1-0", "0-1", "1/2-1/2", or "*" for a game the record leaves unfinished.
    std::string result = "*";

    // The value of the first tag of that name, or "" when there is none.
    std::string tag(std::string_view name) const;
    int plies() const { return static_cast<int>(moves.size()); }
};

// Who made ply `ply` (counted from 1): black opens the game, so black makes
// the odd plies.
rules::Side mover(int ply);

// The position after the first `ply` moves; the moves must have been checked
// to replay (read_record does).
rules::Board position_after(const Game& game, int ply);

// Seconds left on black's and white's clocks after `ply` moves, as the
// record's move times and its time control's increment tell.
std::array<double, 2> clocks_after(const Game& game, int ply);

// Why `side` cannot have played `move` on `board`, or nullopt when it can as
// far as any referee checks, whichever players' rules it held them to: both
// squares on the board, a soldier of the mover on the source, no piece of
// the mover on the target.
std::optional<std::string> replay_refusal(const rules::Board& board, rules::Side side,
                                          const protocol::MoveLine& move);

}  // namespace records
