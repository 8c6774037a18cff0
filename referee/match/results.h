// Results files: one game line per game (records/results.h), and the
// referee's summary line at the end of a run; several files merged into one
// run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "referee/game/game.h"
#include "referee/match/game_entry.h"
#include "referee/stats/standings.h"

namespace referee {

// What a results line says about game `game` of `scheduled`, just played.
GameEntry make_entry(int game, int scheduled, const std::string& black, const std::string& white,
                     const GameResult& result);

// {"summary": {...}}: the standings with numbers, each player's rating for
// more than two players, the match statistics for two, and the SPRT state if
// one ran. An infinite number is the string "inf" or "-inf", a missing
// estimate null (docs/statistics.md).
std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt);

// Reads every file; a game number seen twice keeps its first finished line
// (an unfinished "*" line, from a job that was stopped, gives way to a
// finished one without complaint), and
// numbers missing up to the scheduled total (or the highest seen) are
// reported. Games come out sorted by
// number, ready for players_in_order() and compute_standings(). Of builds,
// the last read for each player stands, as in one file.
ReadResults merge_results(const std::vector<std::string>& paths);

}  // namespace referee
