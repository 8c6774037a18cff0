// gridplayer's getMove scores the root's children one by one with DFS and
// keeps the first strictly greatest. This file runs that same root loop with
// the same windows, calling DFS itself so that it can read each child's value
// and the nodes its subtree cost (by the change of dfsCallCount), and then
// asks getMove for the move to be sure the replay and the program agree.
#include "explain/grid_explain.h"

#include <climits>

#include "gridplayer/gridplayer.h"
#include "positions/gridplayer_cells.h"

namespace explain {
namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

std::string move_text(const node* child) {
    return protocol::format_move(
        {'S', child->fromCol, child->fromRow, child->moveType, child->toCol, child->toRow});
}

// What a DFS result says about the child's minimax value, given the window
// [alpha, beta] it was searched with:
//   alpha < v < beta: v is the value;
//   v <= alpha:       the value is at most v (a minimising node stopped as soon
//                     as a reply reached alpha, or no move got above it);
//   v >= beta:        the value is at least v (a maximising node stopped as soon
//                     as a move reached beta).
// Induction over the tree shows this holds at every node although DFS hands
// later children its current best as their bound instead of the narrower of
// that and its own window: the child that sets a node's result had that result
// strictly inside its window or beyond it on the same side. A child that DFS
// scored by utility alone (one call: the depth limit, or no legal move) is
// exact whatever the window, and nothing lies beyond the ends of the int range.
Bound classify(int value, int alpha, int beta, std::int64_t nodes) {
    if (nodes == 1)
        return Bound::exact;
    if (value <= alpha && alpha != INT_MIN)
        return Bound::upper;
    if (value >= beta && beta != INT_MAX)
        return Bound::lower;
    return Bound::exact;
}

// The root of the global board, expanded for the side to move as getMove does.
node* expanded_root() {
    node* root = createNode(board);
    if (player_id % 2 != 0)
        getValidBlackMoves(root);
    else
        getValidWhiteMoves(root);
    return root;
}

// Releases the root and its children; DFS has released everything below them.
void release(node* root) {
    deleteNodeChildren(root);
    deleteNode(root);
}

// Sets gridplayer's globals to the position, as its own game loop would have
// them: the header, the starting board and every move applied with playMove.
void set_position(const Setup& setup) {
    const bool black = setup.black_to_move();
    const std::string header = std::string(black ? "1" : "2") + " " + std::to_string(setup.rows) +
                               " " + std::to_string(setup.columns) + " 0";
    std::string why;
    if (!parseData(header, &why))
        throw InputError("gridplayer cannot play " + header + ": " + why);
    initializeBoard();
    bool mover_black = true;
    std::size_t ply = 0;
    for (const auto& move : setup.moves) {
        ++ply;
        const std::string line = protocol::format_move(move);
        if (board[move.y1][move.x1] != (mover_black ? -2 : 2))
            throw no_soldier(ply, move, mover_black);
        if (!playMove(line))
            throw InputError("ply " + std::to_string(ply) + " \"" + line +
                             "\": gridplayer refuses it");
        mover_black = !mover_black;
    }
}

// getMove's root loop: the first child with the full window, each later one
// with [best so far, INT_MAX], stopping once the best so far is INT_MAX.
void search_root(Explanation& result) {
    node* root = expanded_root();
    int cur = INT_MIN;
    for (std::size_t k = 0; k < root->children.size(); ++k) {
        RootMove entry;
        entry.move = move_text(root->children[k]);
        if (k > 0 && cur == INT_MAX) {
            // Never searched: nothing can beat INT_MAX, and nothing exceeds it.
            entry.value = INT_MAX;
            entry.bound = Bound::upper;
            result.moves.push_back(entry);
            continue;
        }
        const int alpha = k == 0 ? INT_MIN : cur;
        const std::int64_t before = dfsCallCount;
        entry.value = DFS(root->children[k], 1, alpha, INT_MAX).first;
        entry.nodes = dfsCallCount - before;
        entry.bound = classify(entry.value, alpha, INT_MAX, entry.nodes);
        if (k == 0 || entry.value > cur) {
            cur = entry.value;
            result.chosen = k;
        }
        result.moves.push_back(entry);
    }
    release(root);
}

// Every child again with the full window, on fresh nodes: DFS leaves the
// released children listed in the node it searched.
void search_full_window(Explanation& result) {
    node* root = expanded_root();
    for (std::size_t k = 0; k < root->children.size(); ++k)
        result.moves[k].full_window = DFS(root->children[k], 1, INT_MIN, INT_MAX).first;
    release(root);
}

}  // namespace

Explanation explain_gridplayer(const Setup& setup, const GridOptions& options) {
    Explanation result;
    result.program = "gridplayer";
    result.black_to_move = setup.black_to_move();
    result.move_number = setup.move_number();
    // By its move_number-th move the game loop has sent the moves before it.
    result.depth = options.depth.value_or(scheduledDepth(setup.rows, result.move_number - 1));

    set_position(setup);
    for (int row = 0; row < n; ++row) {
        std::string text;
        for (int column = 0; column < m; ++column)
            text += positions::gridplayer_letter(board[row][column]);
        result.board.push_back(text);
    }
    MAX_DEPTH = result.depth;
    search_root(result);
    if (options.exact)
        search_full_window(result);

    const std::string played = getMove();
    const std::string replayed = result.chosen ? result.moves[*result.chosen].move : "";
    if (played != replayed) {
        throw ChoiceMismatch("explain picks \"" + replayed +
                             "\" but gridplayer's getMove plays \"" + played + "\"");
    }
    return result;
}

}  // namespace explain
