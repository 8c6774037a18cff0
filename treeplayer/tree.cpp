#include "treeplayer/tree.h"

#include "treeplayer/Node.h"

void create_tree(Node* node, int depth) {
    node->SetChildren();
    if (depth > 0) {
        for (Node* child : node->GetChildren())
            create_tree(child, depth - 1);
    }
}
