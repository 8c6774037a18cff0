// `referee --check COMMAND`: a bot's author plays it against randombot, as
// black and as white, and reads a checklist of what it did right and wrong.
#pragma once

#include <ostream>
#include <string>

#include "referee/match/match.h"

namespace referee {

// The exit status when a line of the checklist did not pass.
inline constexpr int kCheckFailed = 1;

// The program of `name` beside the referee's own, where it was installed
// or built with it, or else `name` for a search of PATH.
std::string program_beside_referee(const std::string& name);

// Plays options.players[0] against `opponent` (a command; randombot's by
// default) under the options' board, clocks and confinement, and prints
// the checklist to `out`. 0 when every line passed.
int run_check(const MatchOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace referee
