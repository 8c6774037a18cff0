// gridplayer's whole game loop fed arbitrary bytes as the referee's side of
// the conversation. Whatever arrives, the program writes only move lines on
// its output, says at most one thing besides its size line on its error
// stream, ends with status 0 or 2 and keeps no search node alive.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "gridplayer/gridplayer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    using namespace gridplayer;  // NOLINT(google-build-using-namespace)
    // The header and three opponent moves: enough for one deeper search
    // (it starts after the third own move on 8 rows) while one input stays
    // well under a second.
    std::istringstream in(fuzz::first_lines(fuzz::as_text(data, size), 4));
    std::ostringstream out;
    std::ostringstream err;
    const std::int64_t live = liveNodeCount;
    const int status = runGame(in, out, err);
    require(liveNodeCount == live, "a game releases every node it made");
    require(status == 0 || status == 2, "the exit status is 0 or 2");

    const std::string errors = err.str();
    require(errors.rfind("10 10\n", 0) == 0, "the size line comes first on the error stream");
    require(fuzz::count_lines(errors) == (status == 2 ? 2u : 1u),
            "status 2 comes with exactly one diagnostic line, status 0 with none");
    require(errors.back() == '\n', "every diagnostic ends its line");
    // A refused header leaves the defaults (10 x 10) in place and writes no
    // move, so the board size to check against is always the globals'.
    require(fuzz::only_move_lines(out.str(), n, m), "standard output carries only move lines");
    return 0;
}
