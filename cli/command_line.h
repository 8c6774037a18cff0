// Every program's command line ends the same way, so a user meets one
// convention everywhere: --help prints the help on standard output and exits
// 0; anything the parser refuses prints one line, "NAME: what (--help for
// usage)", on standard error and exits 2. An exception that escapes the
// program (out of memory, a file that vanished) also ends in one line,
// "NAME: what", and status 2.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace cli {

// Parses `argv` with `app`. nullopt when the program should go on; otherwise
// the exit status to stop with, after the help or the one line was written.
std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err);

// A whole program but its main: reads argv, writes on out and err, returns
// the exit status.
using Program =
    std::function<int(int argc, const char* const* argv, std::ostream& out, std::ostream& err)>;

// The body of main for every such program: runs `program` on standard output
// and standard error, and turns an exception that escapes it into one line,
// "NAME: what", and status 2.
int run_main(const std::string& name, int argc, const char* const* argv, const Program& program);

}  // namespace cli
