// The perft_rules command line, in the style every perft tool shares
// (tools/perft_common/perft_command.h) plus the choice of reading:
//
//   perft_rules --rules treeplayer|gridplayer [--rows R --columns C]
//               [--position FILE] DEPTH
//
// Standard output: one divide line per first move ("S 0 5 M 0 4: 1234") in
// the reading's generation order, then "total: N". Standard error: the time
// taken and nodes per second. Returns the exit status: 0, or 2 on bad
// arguments or an unreadable position file, with one line on `err`.
#pragma once

#include <iosfwd>

namespace perft_rules {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace perft_rules
