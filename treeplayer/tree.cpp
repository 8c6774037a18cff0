#include "treeplayer/tree.h"

#include "treeplayer/Node.h"

namespace treeplayer {

void create_tree(Node* node, int depth) {
    node->SetChildren();
    if (depth > 0) {
        for (Node* child : node->GetChildren())
            create_tree(child, depth - 1);
    }
}

}  // namespace treeplayer
