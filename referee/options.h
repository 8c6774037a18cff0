// The command line: options first, then the player commands (two for a game
// or a match, more for a tournament), or the results files to merge.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "referee/game.h"
#include "referee/pairings.h"
#include "referee/stats.h"

namespace referee {

// A player as the command line named it.
struct PlayerCommand {
    std::string name;               // shown in results, records and logs
    std::string command;            // as given: --schedule passes it on unchanged
    std::vector<std::string> argv;  // split into words
};

struct Options {
    GameConfig game;
    // In the order given: the first is black in the first game, and the
    // reference for every other player's Elo.
    std::vector<PlayerCommand> players;
    std::string record_path;                       // empty: no record
    std::string log_path;                          // empty: no log
    std::size_t error_cap = std::size_t{1} << 20;  // stderr bytes logged per player and game
    bool quiet = false;
    bool no_color = false;
    // Redraw the board in place after each move, on a terminal.
    bool watch = false;
    int games = 1;  // per pairing, colours alternating
    TournamentKind kind = TournamentKind::RoundRobin;
    int concurrency = 1;  // games played side by side
    std::optional<SprtSettings> sprt;
    std::string results_path;  // empty: no results file
    bool schedule = false;     // print one command per game instead of playing
    int only_game = 0;         // play only this game of the schedule; 0 for all
    // The options every game of a split run must share (board, clocks,
    // limits, display), as words, for --schedule to repeat.
    std::vector<std::string> game_options;
    std::vector<std::string> merge_paths;  // --merge: read these instead of playing
};

struct ShowHelp {};

struct UsageError {
    std::string message;
};

using ParsedCommandLine = std::variant<Options, ShowHelp, UsageError>;

ParsedCommandLine parse_command_line(const std::vector<std::string>& args);

// Splits a player command into words the way a shell would, without running
// one: blanks separate words, single quotes keep everything literally,
// double quotes keep blanks and allow \" and \\, a backslash outside quotes
// escapes the next character. nullopt for an unterminated quote.
std::optional<std::vector<std::string>> split_command(const std::string& command);

// The program's name without its directory: "build/bin/treeplayer -x" gives
// "treeplayer". For a script run by an interpreter it is the script's name:
// "python3 -u bots/mine.py" gives "mine.py", and so does
// "/usr/bin/env python3 bots/mine.py".
std::string program_name(const std::vector<std::string>& words);

// The --help text, printed from the same declarations that parse options.
std::string help_text();

}  // namespace referee
