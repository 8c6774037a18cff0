// The search: first-of-equals choice, cut-offs, scores of positions without
// moves, and that nothing of a search outlives it.
#include <gtest/gtest.h>

#include <climits>

#include "support.h"

namespace {

using namespace gp_test;

TEST(GetMove, KeepsTheFirstOfEqualScoresAndTakesAStrictlyBetterLaterOne) {
    useBoard(8, 8, 1);
    MAX_DEPTH = 1;
    Grid g;
    g.at(4, 3) = -2;  // three steps of equal worth
    setBoard(g);
    EXPECT_EQ(getMove(), "S 3 4 M 2 3");
    g.at(3, 4) = 2;  // now the last step captures
    setBoard(g);
    EXPECT_EQ(getMove(), "S 3 4 M 4 3");
    // Deeper searches keep the first of equals too: nothing can reach the
    // lone soldier, so all three steps back up the same score.
    g.at(3, 4) = 0;
    for (int depth : {2, 3, 4}) {
        MAX_DEPTH = depth;
        setBoard(g);
        EXPECT_EQ(getMove(), "S 3 4 M 2 3") << depth;
    }
    MAX_DEPTH = 1;
}

TEST(GetMove, LeavesTheBoardAndTheNodeCountAsTheyWere) {
    for (auto [rows, depth] : {std::pair{8, 4}, std::pair{10, 3}}) {
        for (int player : {1, 2}) {
            useBoard(rows, rows, player);
            MAX_DEPTH = depth;
            initializeBoard();
            playMove("S 1 2 M 1 3");
            playMove(rows == 8 ? "S 2 5 M 2 4" : "S 2 7 M 2 6");
            Grid before(board);
            std::int64_t live = liveNodeCount;
            std::string move = getMove();
            EXPECT_EQ(move.size(), 11u) << move;
            EXPECT_EQ(move.substr(0, 2), "S ");
            EXPECT_TRUE(Grid(board) == before);
            EXPECT_EQ(liveNodeCount, live);
        }
    }
    MAX_DEPTH = 1;
}

TEST(GetMove, NoLegalMoveGivesEmptyText) {
    useBoard(8, 8, 2);
    Grid g;
    g.at(7, 1) = -1;  // white has nothing that moves
    g.at(0, 0) = 1;
    setBoard(g);
    std::int64_t live = liveNodeCount;
    EXPECT_EQ(getMove(), "");
    EXPECT_EQ(liveNodeCount, live);
}

class DfsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        useBoard(10, 10, 1);
        g_ = std::make_unique<Grid>(startGrid());
        calls_ = dfsCallCount;
    }
    void TearDown() override { MAX_DEPTH = 1; }
    std::int64_t calls() const { return dfsCallCount - calls_; }

    std::unique_ptr<Grid> g_;
    std::int64_t calls_ = 0;
};

TEST_F(DfsWindow, MaximisingNodeStopsOnceBetaIsReached) {
    MAX_DEPTH = 1;
    node* root = createNode(g_->ptr());
    auto [score, best] = DFS(root, 0, INT_MIN, INT_MIN);
    EXPECT_EQ(calls(), 2);  // the node and its first child only
    ASSERT_EQ(root->children.size(), 47u);
    EXPECT_EQ(best, root->children[0]);
    // The first child is a black step S 0 7 M 0 6.
    Grid first(*g_);
    first.at(7, 0) = 0;
    first.at(6, 0) = -2;
    EXPECT_EQ(score, utility(first.ptr(), 1));
    EXPECT_EQ(root->value, utility(g_->ptr(), 0));
    deleteNode(root);

    calls_ = dfsCallCount;
    node* full = createNode(g_->ptr());
    DFS(full, 0, INT_MIN, INT_MAX);
    EXPECT_EQ(calls(), 48);
    deleteNode(full);
}

TEST_F(DfsWindow, MinimisingNodeStopsOnceAlphaIsReached) {
    MAX_DEPTH = 2;
    node* p = createNode(g_->ptr());
    DFS(p, 1, INT_MAX, INT_MAX);  // white to move at depth 1
    EXPECT_EQ(calls(), 2);
    deleteNode(p);
}

TEST_F(DfsWindow, InnerNodesKeepTheirOwnUtilityAndBackUpAnotherScore) {
    MAX_DEPTH = 3;
    std::int64_t live = liveNodeCount;
    node* root = createNode(g_->ptr());
    auto [score, best] = DFS(root, 0, INT_MIN, INT_MAX);
    EXPECT_NE(best, nullptr);
    EXPECT_EQ(root->value, utility(g_->ptr(), 0));
    EXPECT_NE(score, root->value);
    EXPECT_EQ(liveNodeCount, live + 1);  // every child already released
    deleteNode(root);
    // Cut-offs spare most of the full three-ply tree (47 + 47^2 + 47^3 + 1).
    EXPECT_LT(calls(), 47 * 47 * 10);
}

TEST_F(DfsWindow, PositionWithoutMovesScoresItsOwnUtility) {
    MAX_DEPTH = 4;
    useBoard(8, 8, 1);
    Grid g;
    g.at(4, 4) = -2;
    g.at(0, 0) = 1;
    node* p = createNode(g.ptr());
    auto [score, best] = DFS(p, 1, INT_MIN, INT_MAX);  // white to move, nothing to move
    EXPECT_EQ(score, utility(g.ptr(), 1));
    EXPECT_EQ(best, nullptr);
    EXPECT_TRUE(p->children.empty());
    EXPECT_EQ(calls(), 1);
    deleteNode(p);
}

}  // namespace
