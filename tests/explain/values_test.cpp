// explain's gridplayer values against a plain minimax without cut-offs, on
// positions of seeded random games: an exact value must be the minimax
// value, a bound must lie on its side of it, the full-window values must all
// be exact, and the chosen move must be the first with the greatest value.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "games.h"
#include "gridplayer/gridplayer.h"

namespace {

// Minimax value of a node at `depth` below the root, every child searched.
int plain_minimax(node* p, int depth) {
    if (depth == MAX_DEPTH)
        return utility(p->grid, depth);
    if ((player_id + depth) % 2 != 0)
        getValidBlackMoves(p);
    else
        getValidWhiteMoves(p);
    if (p->children.empty())
        return utility(p->grid, depth);
    int best = depth % 2 == 0 ? INT_MIN : INT_MAX;
    for (node* child : p->children) {
        const int v = plain_minimax(child, depth + 1);
        best = depth % 2 == 0 ? std::max(best, v) : std::min(best, v);
    }
    deleteNodeChildren(p);
    return best;
}

// The root moves' minimax values, on gridplayer's globals set up anew.
std::vector<int> plain_values(const explain::Setup& setup, int depth) {
    const std::string header = std::string(setup.black_to_move() ? "1 " : "2 ") +
                               std::to_string(setup.rows) + " " + std::to_string(setup.columns) +
                               " 0";
    EXPECT_TRUE(parseData(header));
    initializeBoard();
    for (const auto& move : setup.moves)
        EXPECT_TRUE(playMove(protocol::format_move(move)));
    MAX_DEPTH = depth;
    node* root = createNode(board);
    if (player_id % 2 != 0)
        getValidBlackMoves(root);
    else
        getValidWhiteMoves(root);
    std::vector<int> values;
    for (node* child : root->children)
        values.push_back(plain_minimax(child, 1));
    deleteNodeChildren(root);
    deleteNode(root);
    return values;
}

void check_position(const explain::Setup& setup, int depth, int& bounds_seen) {
    const auto e = explain_test::explain_as("gridplayer", setup, depth, true);
    const auto truth = plain_values(setup, depth);
    ASSERT_EQ(e.moves.size(), truth.size());
    if (truth.empty())
        return;
    for (std::size_t k = 0; k < truth.size(); ++k) {
        const auto& move = e.moves[k];
        SCOPED_TRACE(move.move + " in a position after " + std::to_string(setup.moves.size()) +
                     " plies, depth " + std::to_string(depth));
        EXPECT_EQ(move.full_window, truth[k]);
        EXPECT_GT(move.nodes, 0);
        switch (move.bound) {
            case explain::Bound::exact:
                EXPECT_EQ(move.value, truth[k]);
                break;
            case explain::Bound::upper:
                ++bounds_seen;
                EXPECT_GE(move.value, truth[k]);
                break;
            case explain::Bound::lower:
                ++bounds_seen;
                EXPECT_LE(move.value, truth[k]);
                break;
        }
    }
    const auto first_best = std::max_element(truth.begin(), truth.end()) - truth.begin();
    EXPECT_EQ(e.chosen, static_cast<std::size_t>(first_best));
}

TEST(ExplainValues, GridplayerValuesAndBoundsMatchAPlainMinimax) {
    struct Size {
        int rows;
        int columns;
        int depth;
        int games;
    };
    int bounds_seen = 0;
    for (const Size size : {Size{8, 8, 2, 6}, Size{8, 8, 3, 2}, Size{10, 10, 2, 4},
                            Size{10, 10, 3, 1}, Size{6, 5, 4, 2}}) {
        for (int game = 0; game < size.games; ++game) {
            std::mt19937 rng(static_cast<unsigned>(100 + game));
            explain::Setup setup{size.rows, size.columns, {}};
            // Early positions, then every eighth ply of a long random game.
            for (int ply = 0; ply <= 48; ++ply) {
                if (ply < 3 || ply % 8 == 0)
                    check_position(setup, size.depth, bounds_seen);
                if (!explain_test::play_random("gridplayer", setup, rng))
                    break;
            }
        }
    }
    // The bounds are the point of the check: the cut-offs must have made some.
    EXPECT_GT(bounds_seen, 0);
}

}  // namespace
