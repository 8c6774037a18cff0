// explain's command line: options in, report out, exit status back.
#pragma once

#include <iosfwd>

namespace explain {

// 0: explained; 2: usage error or a position that cannot be set up (one line
// on `err`); 3: the replayed search disagrees with the program's own move.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace explain
