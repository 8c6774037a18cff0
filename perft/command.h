// The command line every perft tool shares, so that they take the same
// arguments and position files and print the same lines:
//
//   perft_NAME [--rows R --columns C] [--position FILE] DEPTH
//
// Standard output: one divide line per root move, "S 0 5 M 0 4: 1234", in the
// program's move-list order, then "total: N" (N = 1 at depth 0). Standard
// error: one line with the time taken and nodes per second, kept off standard
// output so that the counts can be compared byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "positions/position.h"

namespace perft_command {

inline constexpr int kMaxDepth = 12;

struct DivideLine {
    std::string move;  // a move line, e.g. "S 0 5 M 0 4"
    std::uint64_t count;
};

// What a tool adds to the shared command: its name, the boards its player can
// play, and the player's own start position and move generator.
//
// A tool may add one option of its own that picks what to count (perft_rules'
// `--rules`): it is then required, its value must be one of `choices`, and it
// reaches `refuse` and `divide`; other tools leave `choice_option` empty.
struct Tool {
    std::string name;    // e.g. "perft_treeplayer"
    std::string player;  // e.g. "treeplayer"
    int min_rows = 0;
    int max_rows = 0;
    int min_columns = 0;
    int max_columns = 0;
    // The player's start position on a board of that size, black to move.
    std::function<positions::Position(int rows, int columns)> start;
    // One line per root move of `position`, each counting the positions
    // reached depth - 1 plies below that move; depth >= 1.
    std::function<std::vector<DivideLine>(const positions::Position& position, int depth,
                                          const std::string& choice)>
        divide;
    std::string choice_option;         // e.g. "--rules"; empty for none
    std::string choice_help;           // its help line
    std::vector<std::string> choices;  // the values it takes
    // Why the board cannot be counted under the choice although its size is
    // in range; empty when it can. Optional.
    std::function<std::string(const std::string& choice, int rows, int columns)> refuse;
    // The first line of --help, when the common one does not fit; and more
    // help text after the common footer. Both optional.
    std::string description;
    std::string footer;
};

// Runs the command. Returns the exit status: 0 after the counts (and after
// --help, printed on `out`), 2 on bad arguments or an unreadable position
// file, with one line on `err`.
int run(const Tool& tool, int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace perft_command
