// Expansion of a game tree to a given depth.
#pragma once

namespace treeplayer {

class Node;

// SetChildren on node, then, when depth > 0, create_tree(child, depth - 1)
// on each child in order.
void create_tree(Node* node, int depth);

}  // namespace treeplayer
