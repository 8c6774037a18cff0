// The search: Node, SetChildren, create_tree, minimax and Eval, including
// the leaf side, the distance-term pairing and the float sum order.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "test_support.h"
#include "treeplayer/Evaluation.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

namespace {

// The distance term, from the four figures and their weights.
float distance_term(int oppToOwn, int ownToOwn, int ownToOpp, int oppToOpp) {
    float term = 0.0f;
    if (oppToOwn != 0)
        term += -200.0f / static_cast<float>(oppToOwn);
    if (ownToOwn != 0)
        term += 100.0f / static_cast<float>(ownToOwn);
    if (ownToOpp != 0)
        term += 100.0f / static_cast<float>(ownToOpp);
    if (oppToOpp != 0)
        term += -200.0f / static_cast<float>(oppToOpp);
    return term;
}

}  // namespace

TEST(NodeTree, FreshNodeAndNewNode) {
    Node n;
    EXPECT_TRUE(n.GetBoard().empty());
    EXPECT_TRUE(n.GetChildren().empty());
    EXPECT_EQ(n.GetMove(), (Move{'\0', 0, 0, '\0', 0, 0}));
    EXPECT_TRUE(n.GetBlack());
    Node* child = n.newNode(initialise(), step(0, 5, 0, 4), true);
    EXPECT_FALSE(child->GetBlack());
    EXPECT_EQ(child->GetBoard(), initialise());
    EXPECT_EQ(child->GetMove(), step(0, 5, 0, 4));
    EXPECT_TRUE(child->GetChildren().empty());
    EXPECT_TRUE(n.GetChildren().empty());  // newNode uses nothing of n
    delete child;
}

TEST(NodeTree, OneLevelTreeAtStart) {
    for (bool black : {true, false}) {
        Node root;
        root.SetBlack(black);
        root.SetBoard(initialise());
        create_tree(&root, 0);
        const auto moves = board_moves(initialise(), black);
        const auto children = root.GetChildren();
        ASSERT_EQ(children.size(), 37u);
        for (std::size_t i = 0; i < children.size(); ++i) {
            EXPECT_EQ(children[i]->GetMove(), moves[i]);
            EXPECT_EQ(children[i]->GetBlack(), !black);
            EXPECT_EQ(children[i]->GetBoard(), Update_board(moves[i], initialise()));
            EXPECT_TRUE(children[i]->GetChildren().empty());
        }
        EXPECT_EQ(root.GetBoard(), initialise());
    }
}

TEST(NodeTree, SetChildrenTwiceKeepsOneSet) {
    Node root;
    root.SetBoard(initialise());
    root.SetChildren();
    root.SetChildren();
    EXPECT_EQ(root.GetChildren().size(), 37u);
    // A new board replaces the children by those of the new position.
    root.SetBoard(Update_board(step(0, 5, 0, 4), initialise()));
    root.SetBlack(false);
    root.SetChildren();
    EXPECT_EQ(root.GetChildren().size(),
              board_moves(Update_board(step(0, 5, 0, 4), initialise()), false).size());
}

TEST(NodeTree, TwoLevelTree) {
    Node root;
    root.SetBoard(initialise());
    create_tree(&root, 1);
    std::size_t grandchildren = 0;
    for (Node* child : root.GetChildren()) {
        const auto below = child->GetChildren();
        EXPECT_EQ(below.size(), board_moves(child->GetBoard(), false).size());
        for (Node* g : below) {
            EXPECT_TRUE(g->GetBlack());
            EXPECT_TRUE(g->GetChildren().empty());
        }
        grandchildren += below.size();
    }
    EXPECT_EQ(grandchildren, 37u * 37u);
}

TEST(NodeTree, NoLegalMoveMeansNoChildren) {
    Board b = empty_board();
    b[7][1] = BLACK_TOWNHALL;
    b[0][0] = WHITE_TOWNHALL;
    b[4][4] = WHITE_SOLDIER;
    Node root;
    root.SetBoard(b);
    root.SetChildren();
    EXPECT_TRUE(root.GetChildren().empty());
}

TEST(Evaluation, StartBaseIsMinus36PlusDistanceTerm) {
    const Board b = initialise();
    const auto [bb, bw] = townhall_dist(Soldiers_list(1, b), b);
    const auto [ww, wb] = townhall_dist(Soldiers_list(-1, b), b);
    const float blackView = distance_term(wb, bb, bw, ww);
    const float whiteView = distance_term(bw, ww, wb, bb);
    EXPECT_EQ(Eval(b, 1), -36.0f + blackView);
    EXPECT_EQ(Eval(b, -1), -36.0f + whiteView);
    EXPECT_EQ(Eval(b, 5), Eval(b, -1));
}

TEST(Evaluation, DistanceTermPairingByHand) {
    // Black soldier (2, 3): to black halls (columns 1 and 7) 4 + 1 + 5 = 10,
    // to white halls (none standing) 3. White soldier (5, 4): to white halls
    // 4, to black halls 3 + 4 + 2 = 9.
    Board b = empty_board();
    b[7][1] = b[7][7] = BLACK_TOWNHALL;
    b[3][2] = BLACK_SOLDIER;
    b[4][5] = WHITE_SOLDIER;
    EXPECT_EQ(townhall_dist({{2, 3}}, b), (std::pair<int, int>{10, 3}));
    EXPECT_EQ(townhall_dist({{5, 4}}, b), (std::pair<int, int>{4, 9}));
    // Black view: 2 - 4 + 100 (two own halls) + (-200/9 + 100/10 + 100/3 - 200/4).
    EXPECT_NEAR(Eval(b, 1), 98.0 - 200.0 / 9 + 10.0 + 100.0 / 3 - 50.0, 1e-4);
    // White view: 2 - 4 - 100 + (-200/3 + 100/4 + 100/9 - 200/10).
    EXPECT_NEAR(Eval(b, -1), -102.0 - 200.0 / 3 + 25.0 + 100.0 / 9 - 20.0, 1e-4);
    // A side without soldiers: its figures are 0 and add nothing.
    b[4][5] = EMPTY;
    EXPECT_NEAR(Eval(b, 1), 2.0 + 100.0 + 10.0 + 100.0 / 3, 1e-4);
}

TEST(Evaluation, TownhallDistCountsStandingHallsOnly) {
    Board b = initialise();
    EXPECT_EQ(townhall_dist({}, b), (std::pair<int, int>{0, 0}));
    // Black soldier (0, 5): own 2 + (1 + 3 + 5 + 7), opponent 5 + (0 + 2 + 4 + 6).
    EXPECT_EQ(townhall_dist({{0, 5}}, b), (std::pair<int, int>{18, 17}));
    b[0][6] = EMPTY;
    b[7][7] = EMPTY;
    EXPECT_EQ(townhall_dist({{0, 5}}, b), (std::pair<int, int>{11, 11}));
}

TEST(Evaluation, CannonSignsAndTownHalls) {
    // One black cannon alone: black view pays 6 for it, white view earns 3.
    Board b = empty_board();
    b[4][0] = b[5][0] = b[6][0] = BLACK_SOLDIER;  // column 0: distances to no halls
    const auto [own, opp] = townhall_dist(Soldiers_list(1, b), b);
    const float dist = distance_term(0, own, opp, 0);
    EXPECT_EQ(Eval(b, 1), 6.0f - 6.0f + dist);
    EXPECT_EQ(Eval(b, -1), -12.0f + 3.0f + distance_term(opp, 0, 0, own));
    // Shooting a white town hall: black's view gains 50, white's loses 50,
    // apart from the distance term.
    const Board start = initialise();
    const Board shotBoard = Update_board(shot(0, 6, 0, 0), start);
    auto term = [](const Board& board, bool blackView) {
        const auto [bb, bw] = townhall_dist(Soldiers_list(1, board), board);
        const auto [ww, wb] = townhall_dist(Soldiers_list(-1, board), board);
        return blackView ? distance_term(wb, bb, bw, ww) : distance_term(bw, ww, wb, bb);
    };
    EXPECT_NEAR(Eval(shotBoard, 1) - term(shotBoard, true), Eval(start, 1) - term(start, true) + 50,
                1e-4);
    EXPECT_NEAR(Eval(shotBoard, -1) - term(shotBoard, false),
                Eval(start, -1) - term(start, false) - 50, 1e-4);
    // A soldier on an opponent's town-hall square removes it from the count
    // (-50); the white soldier leaving (1, 2) breaks white's cannon (-3).
    const Board taken = Update_board(step(1, 2, 1, 7), start);
    EXPECT_NEAR(Eval(taken, 1) - term(taken, true), -36.0 - 50.0 - 3.0, 1e-4);
}

TEST(Evaluation, BlockedCannonEnds) {
    const std::vector<Cannon> vertical = {{{4, 6}, {4, 5}, {4, 4}}};
    EXPECT_EQ(blocked_cannon({{4, 7}}, vertical), 1);
    EXPECT_EQ(blocked_cannon({{4, 3}, {4, 7}}, vertical), 2);
    EXPECT_EQ(blocked_cannon({{4, 2}, {3, 7}}, vertical), 0);
    // A square collected for two cannons counts twice.
    const std::vector<Cannon> two = {{{3, 4}, {2, 4}, {1, 4}}, {{5, 4}, {4, 4}, {3, 4}}};
    EXPECT_EQ(blocked_cannon({{4, 4}, {2, 4}}, two), 2);
    EXPECT_EQ(blocked_cannon({{0, 0}}, {{{2, 2}, {1, 1}, {0, 0}}}), 0);
    EXPECT_EQ(blocked_cannon({{3, 3}}, {{{2, 2}, {1, 1}, {0, 0}}}), 1);
    EXPECT_EQ(blocked_cannon({{0, 6}, {6, 0}}, {{{4, 2}, {3, 3}, {2, 4}}}), 0);
    EXPECT_EQ(blocked_cannon({{1, 5}, {5, 1}}, {{{4, 2}, {3, 3}, {2, 4}}}), 2);
}

TEST(Minimax, OneLevelTakesLastOfLargestTruncatedValue) {
    for (bool black : {true, false}) {
        Node root;
        root.SetBlack(black);
        root.SetBoard(initialise());
        create_tree(&root, 0);
        const auto [value, move] = minimax(&root, true, MIN, MAX);
        // Leaves are scored for the root's side; values truncated toward zero.
        int best = MIN;
        Move expected{};
        bool sawFraction = false;
        for (Node* child : root.GetChildren()) {
            const float e = Eval(child->GetBoard(), black ? 1 : -1);
            EXPECT_EQ(child->GetEval(), e);
            const int v = static_cast<int>(std::trunc(e));
            if (e < 0 && e != std::floor(e))
                sawFraction = true;
            if (v >= best) {
                best = v;
                expected = child->GetMove();
            }
        }
        EXPECT_TRUE(sawFraction);
        EXPECT_EQ(value, best);
        EXPECT_EQ(move, expected);
        EXPECT_EQ(root.GetEval(), static_cast<float>(best));
    }
}

TEST(Minimax, StartValueIsTruncatedTowardZero) {
    // Black's best replies at the start score -31.x for black: the value is
    // -31, not -32, and the last of them is the corner step of (6, 7).
    Node root;
    root.SetBoard(initialise());
    create_tree(&root, 0);
    const auto [value, move] = minimax(&root, true, MIN, MAX);
    EXPECT_EQ(value, -31);
    EXPECT_EQ(move, step(6, 7, 7, 6));
}

TEST(Minimax, SingleChildAndLeafRoot) {
    Board b = empty_board();
    b[1][0] = BLACK_SOLDIER;  // only (0, 0) is open to it
    b[0][1] = BLACK_SOLDIER;  // row -1 is off the board
    b[0][0] = WHITE_TOWNHALL;
    Node root;
    root.SetBoard(b);
    create_tree(&root, 0);
    ASSERT_EQ(root.GetChildren().size(), 1u);
    const auto [value, move] = minimax(&root, true, MIN, MAX);
    EXPECT_EQ(move, step(0, 1, 0, 0));
    EXPECT_EQ(value, static_cast<int>(Eval(Update_board(move, b), 1)));
    // A leaf reached as a maximising node is scored for its own side.
    Node leaf;
    leaf.SetBoard(b);
    leaf.SetBlack(false);
    EXPECT_EQ(minimax(&leaf, true, MIN, MAX).first, static_cast<int>(Eval(b, -1)));
    EXPECT_EQ(minimax(&leaf, false, MIN, MAX).first, static_cast<int>(Eval(b, 1)));
}

// A second, independent minimax over a two-level tree: which grandchildren
// are searched, and the root's value and move.
TEST(Minimax, TwoLevelPruningAndTies) {
    Board b = Update_board(step(2, 5, 3, 4), initialise());
    b = Update_board(step(3, 2, 3, 3), b);  // contact in the centre: varied values
    Node root;
    root.SetBoard(b);
    create_tree(&root, 1);
    const float untouched = 12345.0f;
    for (Node* child : root.GetChildren()) {
        for (Node* g : child->GetChildren())
            g->SetEval(untouched);
    }
    const auto [value, move] = minimax(&root, true, MIN, MAX);

    int alpha = MIN;
    int best = MIN;
    Move chosen{};
    std::size_t pruned = 0;
    for (Node* child : root.GetChildren()) {
        // Minimising child: its grandchildren are maximising-root leaves
        // reached with the flag true, scored for their own side (black).
        int childBest = MAX;
        int beta = MAX;
        const auto gs = child->GetChildren();
        std::size_t i = 0;
        for (; i < gs.size(); ++i) {
            const float e = Eval(gs[i]->GetBoard(), 1);
            EXPECT_EQ(gs[i]->GetEval(), e);
            childBest = std::min(childBest, static_cast<int>(e));
            beta = std::min(beta, childBest);
            if (beta <= alpha) {
                ++i;
                break;
            }
        }
        for (std::size_t j = i; j < gs.size(); ++j) {
            EXPECT_EQ(gs[j]->GetEval(), untouched);
            ++pruned;
        }
        EXPECT_EQ(child->GetEval(), static_cast<float>(childBest));
        if (childBest >= best)
            chosen = child->GetMove();
        best = std::max(best, childBest);
        alpha = std::max(alpha, best);
    }
    EXPECT_GT(pruned, 0u);
    EXPECT_EQ(value, best);
    EXPECT_EQ(move, chosen);
}
