// replay's command line.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <variant>

namespace replay {

enum ExitStatus { kDone = 0, kWriteFailed = 1, kBadInput = 2 };

struct Options {
    std::string record_path;
    int game = 1;            // counted from 1, as the referee numbers a match's games
    std::optional<int> ply;  // the one position to show; every position when absent
    std::string html_path;
    std::string svg_path;
    bool no_color = false;
};

// The options, or the exit status when there is nothing left to do: 0 after
// --help (printed to `out`), 2 after a usage error (explained on `err`).
std::variant<Options, int> parse_command_line(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err);

}  // namespace replay
