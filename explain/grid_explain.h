// gridplayer's root search replayed child by child with its own DFS.
#pragma once

#include <optional>

#include "explain/explanation.h"
#include "explain/setup.h"

namespace explain {

struct GridOptions {
    std::optional<int> depth;  // overrides gridplayer's schedule (scheduledDepth)
    bool exact = false;        // also search every root move with the full window
};

// Throws InputError for a board gridplayer refuses or a move that does not
// start from a soldier of the side to move, and ChoiceMismatch when the
// replayed root loop picks another move than getMove().
Explanation explain_gridplayer(const Setup& setup, const GridOptions& options);

}  // namespace explain
