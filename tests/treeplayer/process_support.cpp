#include "process_support.h"

#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace tp_test {

bool choose_move(const Board& board, bool black, Move& move) {
    Node root;
    root.SetBlack(black);
    root.SetBoard(board);
    create_tree(&root, 0);
    if (root.GetChildren().empty())
        return false;
    move = minimax(&root, true, MIN, MAX).second;
    return true;
}

}  // namespace tp_test
