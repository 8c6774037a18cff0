// Search trees must be released in full: gridplayer counts its live nodes,
// and treeplayer's trees are shown released by the test binary's count of
// live heap blocks returning to where it was. Positions come from seeded
// random play so the trees have every shape a game gives them.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gridplayer/gridplayer.h"
#include "random_games.h"
#include "rules/board.h"
#include "rules/side.h"
#include "tests/properties/live_blocks.h"
#include "tests/properties/positions.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

using rules::Board;
using rules::Side;
using treeplayer::create_tree;
using treeplayer::Node;

// Positions reached by random play from the start, both sides to move.
std::vector<std::pair<Board, Side>> random_positions(int rows, int columns, unsigned seed,
                                                     std::size_t count) {
    std::vector<std::pair<Board, Side>> positions;
    test_support::random_games({.rows = rows,
                                .columns = columns,
                                .seed = seed,
                                .positions = static_cast<long>(count),
                                .max_plies = 80},
                               [&](const Board& board, Side side, std::mt19937&) {
                                   positions.emplace_back(board, side);
                                   return props::gridplayer_moves(board, side);
                               });
    return positions;
}

TEST(Release, GridplayerNodesAllGoBack) {
    for (auto [rows, columns] : {std::pair{8, 8}, {10, 10}}) {
        for (const auto& [board, side] : random_positions(rows, columns, 11u, 300)) {
            props::load_gridplayer(board);
            const std::int64_t live = liveNodeCount;

            // A root and its children, released child by child.
            node* root = createNode(gridplayer::board);
            side == Side::Black ? getValidBlackMoves(root) : getValidWhiteMoves(root);
            EXPECT_EQ(liveNodeCount, live + 1 + static_cast<std::int64_t>(root->children.size()));
            if (!root->children.empty()) {
                // Keeping one child alive, then releasing it separately.
                node* keep = root->children.back();
                deleteNodeChildren(root, keep);
                EXPECT_EQ(liveNodeCount, live + 2);
                deleteNode(keep);
            }
            deleteNode(root);
            EXPECT_EQ(liveNodeCount, live);

            // A whole search: DFS releases every node below the root.
            player_id = side == Side::Black ? 1 : 2;
            MAX_DEPTH = 2;
            const std::string move = getMove();
            EXPECT_EQ(liveNodeCount, live) << "after getMove " << move;
            ASSERT_FALSE(HasFailure()) << rows << "x" << columns;
        }
    }
}

TEST(Release, TreeplayerTreesAllGoBack) {
    const auto positions = random_positions(8, 8, 23u, 100);
    // The first expansion may set up caches that live for the program; only
    // what a tree adds after that must go away with it.
    {
        Node warm;
        warm.SetBoard(props::to_treeplayer(positions.front().first));
        create_tree(&warm, 1);
    }
    for (const auto& [board, side] : positions) {
        const treeplayer::Board tp = props::to_treeplayer(board);
        const std::int64_t before = props::live_blocks();
        {
            Node root;
            root.SetBlack(side == Side::Black);
            root.SetBoard(tp);
            root.SetChildren();
            const std::int64_t once = props::live_blocks();
            // Expanding again must release the first children.
            root.SetChildren();
            EXPECT_EQ(props::live_blocks(), once);
            create_tree(&root, 1);
        }
        EXPECT_EQ(props::live_blocks(), before);
        {
            auto* root = new Node;
            root->SetBlack(side != Side::Black);
            root->SetBoard(tp);
            create_tree(root, 1);
            delete root;
        }
        EXPECT_EQ(props::live_blocks(), before);
        ASSERT_FALSE(HasFailure());
    }
}

}  // namespace
