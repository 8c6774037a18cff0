// The two sides of a game. Black moves first and starts on the last rows;
// white starts on row 0.
#pragma once

#include <cstddef>

namespace rules {

enum class Side { Black, White };

constexpr Side opponent(Side side) {
    return side == Side::Black ? Side::White : Side::Black;
}

// Where a side's entry stands in anything kept for both sides: black's
// first.
constexpr std::size_t side_index(Side side) {
    return side == Side::Black ? 0 : 1;
}

// "black" or "white", as the referee's messages and records name a side.
const char* side_name(Side side);

}  // namespace rules
