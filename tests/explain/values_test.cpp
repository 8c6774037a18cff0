// explain's gridplayer values against a plain minimax without cut-offs, on
// positions of seeded random games: an exact value must be the minimax
// value, a bound must lie on its side of it, the full-window values must all
// be exact, the chosen move must be the first with the greatest value, and
// no search node may outlive the explanation.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "games.h"
#include "gridplayer/gridplayer.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

// Minimax value of a node at `depth` below the root, every child searched.
int plain_minimax(node* p, int depth) {
    if (depth == MAX_DEPTH)
        return utility(p->grid, depth);
    (player_id + depth) % 2 != 0 ? getValidBlackMoves(p) : getValidWhiteMoves(p);
    int best = utility(p->grid, depth);  // kept when the side to move has no move
    for (std::size_t k = 0; k < p->children.size(); ++k) {
        const int v = plain_minimax(p->children[k], depth + 1);
        best = k == 0 ? v : depth % 2 == 0 ? std::max(best, v) : std::min(best, v);
    }
    deleteNodeChildren(p);
    return best;
}

// The root moves' minimax values, on gridplayer's globals set up anew.
std::vector<int> plain_values(const explain::Setup& setup, int depth) {
    EXPECT_TRUE(parseData(std::string(setup.black_to_move() ? "1 " : "2 ") +
                          std::to_string(setup.rows) + " " + std::to_string(setup.columns) + " 0"));
    initializeBoard();
    for (const auto& move : setup.moves)
        EXPECT_TRUE(playMove(protocol::format_move(move)));
    MAX_DEPTH = depth;
    node* root = createNode(board);
    player_id == 1 ? getValidBlackMoves(root) : getValidWhiteMoves(root);
    std::vector<int> values;
    for (node* child : root->children)
        values.push_back(plain_minimax(child, 1));
    deleteNodeChildren(root);
    deleteNode(root);
    return values;
}

TEST(ExplainValues, GridplayerValuesAndBoundsMatchAPlainMinimax) {
    int bounds = 0;
    for (const auto& [rows, columns, depth, games] :
         {std::tuple{8, 8, 2, 6}, {8, 8, 3, 2}, {10, 10, 2, 4}, {10, 10, 3, 1}, {6, 5, 4, 2}}) {
        for (int game = 0; game < games; ++game) {
            std::mt19937 rng(static_cast<unsigned>(100 + game));
            explain::Setup setup{rows, columns, {}};
            // Early positions, then every eighth ply of a long random game.
            for (int ply = 0; ply <= 48; ++ply) {
                if (ply < 3 || ply % 8 == 0) {
                    const auto live = liveNodeCount;
                    const auto e = explain_test::explain_as("gridplayer", setup, depth, true);
                    EXPECT_EQ(liveNodeCount, live) << "explain left search nodes behind";
                    const auto truth = plain_values(setup, depth);
                    ASSERT_EQ(e.moves.size(), truth.size());
                    for (std::size_t k = 0; k < truth.size(); ++k) {
                        const auto& move = e.moves[k];
                        SCOPED_TRACE(move.move + " after ply " + std::to_string(ply));
                        EXPECT_EQ(move.full_window, truth[k]);
                        if (move.bound == explain::Bound::exact)
                            EXPECT_EQ(move.value, truth[k]);
                        else if (move.bound == explain::Bound::upper)
                            EXPECT_GE(move.value, truth[k]);
                        else
                            EXPECT_LE(move.value, truth[k]);
                        bounds += move.bound != explain::Bound::exact;
                    }
                    if (!truth.empty()) {
                        EXPECT_EQ(e.chosen, static_cast<std::size_t>(
                                                std::max_element(truth.begin(), truth.end()) -
                                                truth.begin()));
                    }
                }
                if (!explain_test::play_random("gridplayer", setup, rng))
                    break;
            }
        }
    }
    // The bounds are the point of the check: the cut-offs must have made some.
    EXPECT_GT(bounds, 0);
}

}  // namespace
