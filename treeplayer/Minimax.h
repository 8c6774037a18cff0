// Minimax with alpha-beta over a built game tree.
#pragma once

#include <utility>

#include "treeplayer/types.h"

namespace treeplayer {

class Node;

constexpr int MIN = -1000;
constexpr int MAX = 1000;

// (value, move): at a leaf its truncated evaluation and its own move; at an
// inner node the best value and the chosen child's move (ties: later child).
std::pair<int, Move> minimax(Node* node, bool maximising, int alpha, int beta);

}  // namespace treeplayer
