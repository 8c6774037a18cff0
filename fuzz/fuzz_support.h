// Helpers shared by the fuzz targets: splitting the fuzzer's bytes into
// lines, and a property check that turns a broken promise into a crash the
// fuzzer records (with the message, so the finding explains itself).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/move_line.h"

namespace fuzz {

inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", property);
        std::abort();
    }
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The lines of `text` without their '\n'; a last line without one counts.
inline std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The first `count` lines of `text`, newlines kept: the whole-game targets
// cap the number of turns so that one input cannot run for seconds.
inline std::string first_lines(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t k = 0; k < count && end < text.size(); ++k) {
        const std::size_t nl = text.find('\n', end);
        end = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return std::string(text.substr(0, end));
}

// True when every line of `out` is a move line a referee accepts for a board
// of rows x columns, written exactly as the protocol formats it (no stray
// spaces, no carriage return, no leading zeros), and `out` ends with a
// newline unless it is empty.
inline bool only_move_lines(std::string_view out, int rows, int columns) {
    if (out.empty())
        return true;
    if (out.back() != '\n')
        return false;
    for (const std::string& line : split_lines(out)) {
        const auto move = protocol::parse_move(line);
        if (!move || protocol::format_move(*move) != line ||
            !protocol::on_board(*move, rows, columns)) {
            return false;
        }
    }
    return true;
}

inline std::size_t count_lines(std::string_view text) {
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

}  // namespace fuzz
