// The command line: options first, then the player commands (two for a game
// or a match, more for a tournament), or the results files to merge.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "referee/field/field.h"
#include "referee/match/match.h"

namespace referee {

// The command line's options: a run of games, or what it asks instead.
struct Options : MatchOptions {
    bool schedule = false;                 // print one command per game instead of playing
    std::vector<std::string> merge_paths;  // --merge: read these instead of playing
    // Written at the end of a whole run or a merge; empty: not written.
    std::string site_dir;         // --site: the static site
    std::string crosstable_path;  // --crosstable: the crosstable as CSV
    bool check = false;           // --check: the one command against randombot
    // --serve: the board in the browser on this port (0: any free one)
    // instead of playing; the commands are what its page offers.
    int serve_port = -1;
    std::string serve_address = "127.0.0.1";
    FieldOptions field;  // --field: players from a folder of submissions
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
