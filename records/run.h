// The run a game belongs to, as each of its results lines describes it: a
// run started again with the same --results resumes only when its own is
// equal, and a merge can tell games of separate runs apart.
#pragma once

#include <string>
#include <vector>

#include "records/time_control.h"

namespace records {

struct RunInfo {
    std::vector<std::string> players;   // the names shown, in the order given
    std::vector<std::string> commands;  // as given, relative program paths made absolute
    std::string tournament;             // "round-robin" or "gauntlet"
    int games = 1;                      // per pairing
    // The options that decide how games are played (board, clocks, limits,
    // rules), as words; not how they are shown or where players may write.
    std::vector<std::string> options;
    int rows = 8;  // the board and clocks again, for replay
    int columns = 8;
    TimeControl time_control;

    bool operator==(const RunInfo&) const = default;
};

// How `there` differs from `here`, in words ("the players: a, b here, a, c
// there"), or "" when it does not.
std::string run_difference(const RunInfo& here, const RunInfo& there);

}  // namespace records
