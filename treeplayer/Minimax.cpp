#include "treeplayer/Minimax.h"

#include <algorithm>

#include "treeplayer/Evaluation.h"
#include "treeplayer/Node.h"

namespace treeplayer {

std::pair<int, Move> minimax(Node* node, bool maximising, int alpha, int beta) {
    const std::vector<Node*>& children = node->GetChildren();
    if (children.empty()) {
        // The leaf is scored for the maximising root's side. Reached as a
        // minimising node, that is the opposite of the leaf's side to move;
        // reached as a maximising node, its own side.
        const bool leafBlack = node->GetBlack();
        int side;
        if (maximising) {
            side = leafBlack ? 1 : -1;
        } else {
            side = leafBlack ? -1 : 1;
        }
        const float e = Eval(node->GetBoard(), side);
        node->SetEval(e);
        return {static_cast<int>(e), node->GetMove()};
    }
    Move chosen{'\0', 0, 0, '\0', 0, 0};
    int best;
    if (maximising) {
        best = MIN;
        for (Node* child : children) {
            const int v = minimax(child, false, alpha, beta).first;
            if (v >= best)
                chosen = child->GetMove();
            best = std::max(best, v);
            alpha = std::max(alpha, best);
            if (beta <= alpha)
                break;
        }
    } else {
        best = MAX;
        for (Node* child : children) {
            const int v = minimax(child, true, alpha, beta).first;
            if (v <= best)
                chosen = child->GetMove();
            best = std::min(best, v);
            beta = std::min(beta, best);
            if (beta <= alpha)
                break;
        }
    }
    node->SetEval(static_cast<float>(best));
    return {best, chosen};
}

}  // namespace treeplayer
