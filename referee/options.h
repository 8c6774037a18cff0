// The command line: options first, then the two player commands.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "referee/game.h"

namespace referee {

struct Options {
    GameConfig game;
    std::vector<std::string> black;  // the first player's command, split into words
    std::vector<std::string> white;
    std::string black_name;                        // shown in results, records and logs; by default
    std::string white_name;                        // the program's (or script's) name
    std::string record_path;                       // empty: no record
    std::string log_path;                          // empty: no log
    std::size_t error_cap = std::size_t{1} << 20;  // stderr bytes logged per player and game
    bool quiet = false;
    bool no_color = false;
    int games = 1;  // more than one: a match with colours alternating
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
