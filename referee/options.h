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
    std::string record_path;  // empty: no record
    std::string log_path;     // empty: no log
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
// "treeplayer".
std::string program_name(const std::vector<std::string>& words);

// The --help text, printed from the same declarations that parse options.
std::string help_text();

}  // namespace referee
