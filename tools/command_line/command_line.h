// Every program's command line ends the same way, so a user meets one
// convention everywhere: --help prints the help on standard output and exits
// 0; anything the parser refuses prints one line, "NAME: what (--help for
// usage)", on standard error and exits 2.
#pragma once

#include <iosfwd>
#include <optional>

namespace CLI {
class App;
}

namespace command_line {

// Parses `argv` with `app`. nullopt when the program should go on; otherwise
// the exit status to stop with, after the help or the one line was written.
std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err);

}  // namespace command_line
