// A tournament as a list of shell commands, one game each, so that any
// batch system (GNU parallel, a cluster's job array) can spread it over
// many cores and machines; the results files they append to merge back into
// the same standings as one run.
#pragma once

#include <string>
#include <vector>

#include "referee/formats/pairings.h"
#include "referee/seats/player.h"

namespace referee {

// The word as a POSIX shell reads it back: unchanged when it holds only
// characters no shell treats specially, otherwise in single quotes (a
// single quote inside becomes '\''); a word with a control character (a
// newline) in $'...' with \xNN escapes, so every word stays on one line.
std::string shell_quote(const std::string& word);

struct ScheduleRequest {
    std::string referee;               // the program that plays each game
    std::vector<std::string> options;  // options every game shares (board, clock, ...)
    TournamentKind kind = TournamentKind::RoundRobin;
    int games_per_pairing = 1;
    int rounds = 0;  // a Swiss tournament's
    // The games to print; empty for every game of the schedule.
    std::vector<int> numbers;
    std::vector<Player> players;  // each command is passed on as one word
    std::string results_path;     // every game appends its line here
    // The words that give each job its own files, after the results and
    // rounds: "--record", "/abs/g{game}.txt", ..., as the command line's table of
    // output files gives them.
    std::vector<std::string> files;
    // Games a job plays, in order; 0 for one game a job without --batch.
    int batch = 0;
};

// One command line per game (or per `batch` games), in game order. Each
// names the whole tournament and picks its own games with --only-game, so
// it plays the same pairings and colours, and numbers its results the same,
// as a single run.
std::vector<std::string> schedule_commands(const ScheduleRequest& request);

}  // namespace referee
