// treeplayer builds a one-level tree and minimax keeps the last child with the
// largest truncated evaluation. Every value shown here comes from treeplayer's
// own functions: the child's value is what minimax returns for that leaf, so
// a change in how leaves are scored shows up here unchanged.
#include "explain/tree_explain.h"

#include "positions/treeplayer_cells.h"
#include "treeplayer/Evaluation.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace explain {
namespace {

std::string move_text(const Move& move) {
    const auto [piece, x1, y1, action, x2, y2] = move;
    return protocol::format_move({piece, x1, y1, action, x2, y2});
}

// The position after the moves, applied as the game loop applies them.
Board replay(const Setup& setup) {
    Board board = initialise();
    bool black = true;
    std::size_t ply = 0;
    for (const auto& m : setup.moves) {
        ++ply;
        if (board[m.y1][m.x1] != (black ? BLACK_SOLDIER : WHITE_SOLDIER))
            throw no_soldier(ply, m, black);
        board = Update_board(Move{m.piece, m.x1, m.y1, m.action, m.x2, m.y2}, board);
        black = !black;
    }
    return board;
}

}  // namespace

Explanation explain_treeplayer(const Setup& setup) {
    if (setup.rows != 8 || setup.columns != 8) {
        throw InputError("treeplayer plays on 8x8 only, not " + std::to_string(setup.rows) + "x" +
                         std::to_string(setup.columns));
    }
    Explanation result;
    result.program = "treeplayer";
    result.black_to_move = setup.black_to_move();
    result.move_number = setup.move_number();
    result.depth = 1;

    // The game loop's turn: the root stands for the side to move, one level
    // of children, minimax maximising over the full window.
    Node root;
    root.SetBlack(result.black_to_move);
    root.SetBoard(replay(setup));
    for (const auto& row : root.GetBoard()) {
        std::string text;
        for (int code : row)
            text += positions::treeplayer_letter(code);
        result.board.push_back(text);
    }
    create_tree(&root, 0);
    const std::vector<Node*> children = root.GetChildren();
    if (children.empty())
        return result;
    const Move played = minimax(&root, true, MIN, MAX).second;

    // Each child is a leaf reached by a minimising step, scored for the root's side.
    const int side = result.black_to_move ? 1 : -1;
    for (Node* child : children) {
        RootMove entry;
        entry.move = move_text(child->GetMove());
        entry.value = minimax(child, false, MIN, MAX).first;
        entry.evaluation = Eval(child->GetBoard(), side);
        entry.nodes = 1;
        if (static_cast<int>(*entry.evaluation) != entry.value) {
            throw ChoiceMismatch("treeplayer scores " + entry.move + " " +
                                 std::to_string(entry.value) + ", but Eval for the side to move " +
                                 "gives " + std::to_string(*entry.evaluation));
        }
        // Ties go to the later child, so an equal value takes over the choice.
        if (!result.chosen || entry.value >= result.moves[*result.chosen].value)
            result.chosen = result.moves.size();
        result.moves.push_back(entry);
    }
    if (result.moves[*result.chosen].move != move_text(played)) {
        throw ChoiceMismatch("explain picks " + result.moves[*result.chosen].move +
                             " but treeplayer's minimax plays " + move_text(played));
    }
    return result;
}

}  // namespace explain
