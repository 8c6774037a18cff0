// explain's two outputs: a table for people and one JSON object for scripts.
#pragma once

#include <string>

#include "explain/explanation.h"

namespace explain {

// The closing sentence: why the chosen move beats the moves that equal it.
std::string reason(const Explanation& explanation);

// The board (x across, y down), the side and depth, one line per root move
// with the chosen one marked, and the reason.
std::string render_text(const Explanation& explanation);

// {"program", "side", "move_number", "depth", "board", "chosen", "reason",
//  "moves": [{"move", "value", "bound", "nodes"[, "evaluation"][, "exact"]}]};
// "chosen" is null when the side to move has no legal move.
std::string render_json(const Explanation& explanation);

}  // namespace explain
