// What the referee puts into a results file: a game line for each game
// played and the summary line at the end of a run, both written by records
// (records/results.h, records/summary.h); several files merged into one
// run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/summary.h"
#include "referee/game/game.h"
#include "referee/match/game_entry.h"
#include "referee/match/standings.h"

namespace referee {

// What a results line says about game `game` of `scheduled`, just played.
GameEntry make_entry(int game, int scheduled, const std::string& black, const std::string& white,
                     const GameResult& result);

// What the summary line says of these standings: the standings with
// numbers, each player's rating for more than two players, the match
// statistics for two, and the SPRT state if one ran (and there are two).
records::Summary summary_of(const Standings& standings, const std::optional<SprtSettings>& sprt);

// {"summary": {...}}: summary_of the standings, as records writes it.
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
