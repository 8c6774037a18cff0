// Reading a text file whose size nobody vouches for (a record, given on a
// command line, may be /dev/zero): the whole of it, but never more than a
// set number of bytes nor a line longer than a set length.
#pragma once

#include <cstddef>
#include <string>
#include <variant>

namespace cli {

struct TextLimits {
    std::size_t max_bytes = std::size_t{256} << 20U;  // the whole file
    std::size_t max_line = std::size_t{64} << 10U;    // one line, without its newline
};

// Why a file was not read: at `line` (counted from 1), or 0 when no line is
// to blame (it cannot be opened, it is a directory).
struct TextProblem {
    int line = 0;
    std::string why;
};

std::variant<std::string, TextProblem> read_text_file(const std::string& path,
                                                      const TextLimits& limits = {});

// "FILE:LINE: why", or "FILE: why" for line 0.
std::string describe(const std::string& path, const TextProblem& problem);

}  // namespace cli
