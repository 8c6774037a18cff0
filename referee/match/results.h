// What the referee puts into a results file: a game line for each game
// played and the summary line at the end of a run, both written by records
// (records/results.h, records/summary.h); several files are merged by
// records too (records/merge.h).
#pragma once

#include <optional>
#include <string>

#include "records/merge.h"
#include "records/results.h"
#include "records/results_file.h"
#include "records/summary.h"
#include "referee/game/game.h"
#include "referee/stats/standings.h"

namespace referee {

// What a results line says about game `game` of `scheduled`, just played.
records::GameEntry make_entry(int game, int scheduled, const std::string& black,
                              const std::string& white, const GameResult& result);

// What the summary line says of these standings: the standings with
// numbers, each player's rating for more than two players, the match
// statistics for two, and the SPRT state if one ran (and there are two).
records::Summary summary_of(const Standings& standings, const std::optional<SprtSettings>& sprt);

// {"summary": {...}}: summary_of the standings, as records writes it.
std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt);

}  // namespace referee
