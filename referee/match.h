// A run of games: one game, a match of two programs or a tournament of
// more, played one at a time or side by side, with the running score, the
// record, the log, the results file and the closing summary.
#pragma once

#include <ostream>
#include <string>

#include "referee/options.h"

namespace referee {

// kSignalBase + N: stopped by signal N, as a shell reports a process killed
// by it.
enum ExitStatus { kPlayed = 0, kWriteFailed = 1, kUsage = 2, kStartFailed = 3, kSignalBase = 128 };

// "Finished game 1 (treeplayer vs gridplayer): 1-0 {white lost its town halls}"
std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome);

// Plays the games the options describe, writing the boards (unless quiet or
// several at once), the result lines, scores and summary to `out`. Returns
// the exit status.
int run_match(const Options& options, std::ostream& out, std::ostream& errors);

// --schedule: one referee command per game, `referee` being how a job
// starts this program.
void print_schedule(const Options& options, const std::string& referee, std::ostream& out);

}  // namespace referee
