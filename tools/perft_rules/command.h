// The perft_rules command line:
//   perft_rules --rules treeplayer|gridplayer [--rows R] [--columns C]
//               [--position FILE] DEPTH
// Writes one divide line per first move ("S 0 5 M 0 4: 1234") in the
// reading's generation order, then "total: N" as the last line, and the time
// taken on standard error. Returns the exit status: 0, or 2 on bad arguments
// or an unreadable position file, with one line on `err`.
#pragma once

#include <iosfwd>

namespace perft_rules {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace perft_rules
