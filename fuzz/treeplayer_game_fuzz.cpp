// treeplayer's whole game loop fed arbitrary bytes as the referee's side of
// the conversation: header reading, move reading and the replies. Whatever
// arrives, the program writes only move lines on its output, takes turns
// with the opponent, and ends with status 0, or 2 after exactly one line
// saying what it could not read.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "treeplayer/game.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz::require;
    std::istringstream in(std::string(fuzz::as_text(data, size)));
    std::ostringstream out;
    std::ostringstream err;
    const int status = treeplayer::run_game(in, out, err);
    require(status == 0 || status == 2, "the exit status is 0 or 2");
    require(fuzz::only_move_lines(out.str(), 8, 8), "standard output carries only move lines");

    const std::string errors = err.str();
    const auto lines = fuzz::split_lines(errors);
    require(errors.empty() || errors.back() == '\n', "every line on the error stream ends");
    std::size_t rejections = 0;
    std::size_t moves_read = 0;
    for (const std::string& line : lines) {
        rejections += line.rfind("treeplayer: bad ", 0) == 0;
        moves_read += line.rfind("Move from computer: ", 0) == 0;
    }
    require(rejections == (status == 2 ? 1u : 0u), "status 2 comes with exactly one diagnostic");
    if (status == 2)
        require(lines.back().rfind("treeplayer: bad ", 0) == 0, "the diagnostic is the last word");

    // Turns alternate: whoever starts, the two counts differ by one at most,
    // and a program that moves first is never behind.
    const std::size_t moves_sent = fuzz::count_lines(out.str());
    require(moves_sent <= moves_read + 1 && moves_read <= moves_sent + 1, "the sides take turns");
    return 0;
}
