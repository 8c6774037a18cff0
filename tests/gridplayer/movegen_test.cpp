// Move generation: exact lists and orders for both colours, and the rules at
// the edges (sideways captures, retreats, blocked cannons, board borders).
#include <gtest/gtest.h>

#include <algorithm>

#include "support.h"

namespace {

using namespace gp_test;
using Moves = std::vector<std::string>;

Moves tail(const Moves& all, std::size_t count) {
    return Moves(all.end() - static_cast<std::ptrdiff_t>(std::min(count, all.size())), all.end());
}

TEST(StartMoves, WhiteHas47InGenerationOrder) {
    useBoard(10, 10, 2);
    Grid g = startGrid();
    Expanded e(g, false);
    const Moves expected = {
        "S 1 0 M 0 1", "S 1 0 M 2 1", "S 3 0 M 2 1", "S 3 0 M 4 1", "S 5 0 M 4 1", "S 5 0 M 6 1",
        "S 7 0 M 6 1", "S 7 0 M 8 1", "S 9 0 M 8 1", "S 1 1 M 0 2", "S 1 1 M 2 2", "S 3 1 M 2 2",
        "S 3 1 M 4 2", "S 5 1 M 4 2", "S 5 1 M 6 2", "S 7 1 M 6 2", "S 7 1 M 8 2", "S 9 1 M 8 2",
        "S 1 2 M 0 3", "S 1 2 M 1 3", "S 1 2 M 2 3", "S 3 2 M 2 3", "S 3 2 M 3 3", "S 3 2 M 4 3",
        "S 5 2 M 4 3", "S 5 2 M 5 3", "S 5 2 M 6 3", "S 7 2 M 6 3", "S 7 2 M 7 3", "S 7 2 M 8 3",
        "S 9 2 M 8 3", "S 9 2 M 9 3", "S 1 0 M 1 3", "S 1 2 B 1 4", "S 1 2 B 1 5", "S 3 0 M 3 3",
        "S 3 2 B 3 4", "S 3 2 B 3 5", "S 5 0 M 5 3", "S 5 2 B 5 4", "S 5 2 B 5 5", "S 7 0 M 7 3",
        "S 7 2 B 7 4", "S 7 2 B 7 5", "S 9 0 M 9 3", "S 9 2 B 9 4", "S 9 2 B 9 5",
    };
    EXPECT_EQ(moveTexts(e), expected);
}

TEST(StartMoves, BlackHas47InGenerationOrder) {
    useBoard(10, 10, 1);
    Grid g = startGrid();
    Expanded e(g, true);
    const Moves expected = {
        "S 0 7 M 0 6", "S 0 7 M 1 6", "S 2 7 M 1 6", "S 2 7 M 2 6", "S 2 7 M 3 6", "S 4 7 M 3 6",
        "S 4 7 M 4 6", "S 4 7 M 5 6", "S 6 7 M 5 6", "S 6 7 M 6 6", "S 6 7 M 7 6", "S 8 7 M 7 6",
        "S 8 7 M 8 6", "S 8 7 M 9 6", "S 0 8 M 1 7", "S 2 8 M 1 7", "S 2 8 M 3 7", "S 4 8 M 3 7",
        "S 4 8 M 5 7", "S 6 8 M 5 7", "S 6 8 M 7 7", "S 8 8 M 7 7", "S 8 8 M 9 7", "S 0 9 M 1 8",
        "S 2 9 M 1 8", "S 2 9 M 3 8", "S 4 9 M 3 8", "S 4 9 M 5 8", "S 6 9 M 5 8", "S 6 9 M 7 8",
        "S 8 9 M 7 8", "S 8 9 M 9 8", "S 0 9 M 0 6", "S 0 7 B 0 5", "S 0 7 B 0 4", "S 2 9 M 2 6",
        "S 2 7 B 2 5", "S 2 7 B 2 4", "S 4 9 M 4 6", "S 4 7 B 4 5", "S 4 7 B 4 4", "S 6 9 M 6 6",
        "S 6 7 B 6 5", "S 6 7 B 6 4", "S 8 9 M 8 6", "S 8 7 B 8 5", "S 8 7 B 8 4",
    };
    EXPECT_EQ(moveTexts(e), expected);
}

class EmptyBoard : public ::testing::Test {
  protected:
    void SetUp() override { useBoard(8, 8, 2); }
};

TEST_F(EmptyBoard, SoldierOnTheLastRowStillCapturesSidewaysAndRetreats) {
    Grid g;
    g.at(7, 3) = 2;
    g.at(7, 2) = -2;
    g.at(7, 4) = -1;  // a town hall can be taken sideways
    Expanded e(g, false);
    EXPECT_EQ(moveTexts(e),
              (Moves{"S 3 7 M 2 7", "S 3 7 M 4 7", "S 3 7 M 3 5", "S 3 7 M 5 5", "S 3 7 M 1 5"}));
    // Sideways onto an empty square is no move.
    Grid lone;
    lone.at(7, 3) = 2;
    Expanded none(lone, false);
    EXPECT_TRUE(none.children().empty());
}

TEST_F(EmptyBoard, RetreatsNeedTwoRowsBehindAndMayTakeOnlyEnemyHalls) {
    Grid row1;
    row1.at(1, 3) = 2;
    row1.at(2, 3) = -2;
    Expanded e1(row1, false);
    EXPECT_EQ(moveTexts(e1), (Moves{"S 3 1 M 2 2", "S 3 1 M 3 2", "S 3 1 M 4 2"}));

    Grid row2;
    row2.at(2, 3) = 2;
    row2.at(2, 4) = -2;
    row2.at(0, 3) = -1;  // enemy hall straight behind: retreat captures it
    row2.at(0, 5) = 1;   // own hall behind to the right: blocked
    Expanded e2(row2, false);
    EXPECT_EQ(moveTexts(e2), (Moves{"S 3 2 M 2 3", "S 3 2 M 3 3", "S 3 2 M 4 3", "S 3 2 M 4 2",
                                    "S 3 2 M 3 0", "S 3 2 M 1 0"}));
}

TEST_F(EmptyBoard, EachRetreatListedOnceAndHallsThreatenNothing) {
    Grid g;
    g.at(4, 4) = 2;
    g.at(4, 3) = -2;
    g.at(5, 4) = -2;
    g.at(5, 5) = -2;
    Expanded e(g, false);
    EXPECT_EQ(moveTexts(e), (Moves{"S 4 4 M 3 5", "S 4 4 M 3 4", "S 4 4 M 4 5", "S 4 4 M 5 5",
                                   "S 4 4 M 4 2", "S 4 4 M 6 2", "S 4 4 M 2 2"}));

    Grid halls;
    halls.at(4, 4) = 2;
    halls.at(4, 5) = -1;
    halls.at(5, 4) = -1;
    Expanded h(halls, false);
    EXPECT_EQ(moveTexts(h), (Moves{"S 4 4 M 3 5", "S 4 4 M 4 5", "S 4 4 M 5 5", "S 4 4 M 5 4"}));
}

TEST_F(EmptyBoard, BlackMirrorsStepsAndRetreatsTowardsRowZero) {
    Grid g;
    g.at(3, 4) = -2;
    g.at(2, 4) = 2;  // threat ahead of black enables the retreat
    g.at(3, 5) = 1;  // enemy hall beside: sideways capture
    Expanded e(g, true);
    EXPECT_EQ(moveTexts(e), (Moves{"S 4 3 M 3 2", "S 4 3 M 4 2", "S 4 3 M 5 2", "S 4 3 M 5 3",
                                   "S 4 3 M 4 5", "S 4 3 M 6 5", "S 4 3 M 2 5"}));
    // A black soldier two rows from the back cannot retreat.
    Grid back;
    back.at(6, 4) = -2;
    back.at(5, 4) = 2;
    Expanded b(back, true);
    EXPECT_EQ(moveTexts(b), (Moves{"S 4 6 M 3 5", "S 4 6 M 4 5", "S 4 6 M 5 5"}));
}

TEST_F(EmptyBoard, BlockedFrontGivesNoForwardMovesButTheRearIsTried) {
    Grid g;
    g.at(2, 2) = 2;
    g.at(3, 2) = 2;
    g.at(4, 2) = 2;
    g.at(5, 2) = -2;
    Expanded e(g, false);
    EXPECT_EQ(moveTexts(e), (Moves{"S 2 2 M 1 3", "S 2 2 M 3 3", "S 2 3 M 1 4", "S 2 3 M 3 4",
                                   "S 2 4 M 1 5", "S 2 4 M 2 5", "S 2 4 M 3 5", "S 2 4 M 4 2",
                                   "S 2 4 M 0 2", "S 2 4 M 2 1", "S 2 2 B 2 0"}));
}

TEST_F(EmptyBoard, ShotsGoOnlyOverEmptySquares) {
    // F2 holds an own town hall: the slide, no shot at F2 or beyond it.
    Grid own;
    own.at(1, 2) = 2;
    own.at(2, 2) = 2;
    own.at(3, 2) = 2;
    own.at(5, 2) = 1;
    own.at(6, 2) = -2;
    own.at(0, 2) = 1;  // closes the rear
    Expanded e(own, false);
    EXPECT_EQ(tail(moveTexts(e), 1), (Moves{"S 2 1 M 2 4"}));
    for (const node* c : e.children()) {
        EXPECT_NE(c->moveType, 'B') << moveText(c);
    }
    // F2 holds an enemy: it is shot, and nothing behind it is.
    Grid enemy;
    enemy.at(1, 2) = 2;
    enemy.at(2, 2) = 2;
    enemy.at(3, 2) = 2;
    enemy.at(5, 2) = -2;
    enemy.at(6, 2) = -2;
    enemy.at(0, 2) = 1;
    Expanded f(enemy, false);
    EXPECT_EQ(tail(moveTexts(f), 2), (Moves{"S 2 1 M 2 4", "S 2 3 B 2 5"}));
}

TEST_F(EmptyBoard, CannonAtTheLastRowSlidesOntoItWithoutAForwardShot) {
    Grid g;
    g.at(4, 3) = 2;
    g.at(5, 3) = 2;
    g.at(6, 3) = 2;
    Expanded e(g, false);
    EXPECT_EQ(tail(moveTexts(e), 4),
              (Moves{"S 3 4 M 3 7", "S 3 6 M 3 3", "S 3 4 B 3 2", "S 3 4 B 3 1"}));
}

TEST(Cannons, HorizontalLineOfFourHoldsTwoCannons) {
    useBoard(10, 10, 2);
    Grid g;
    for (int c = 2; c <= 5; ++c) {
        g.at(5, c) = 2;
    }
    Expanded e(g, false);
    Moves all = moveTexts(e);
    // 4 soldiers x 3 forward steps, no threats, then the two cannons.
    ASSERT_EQ(all.size(), 12u + 5u);
    EXPECT_EQ(tail(all, 5),
              (Moves{"S 4 5 M 1 5", "S 2 5 B 0 5", "S 3 5 M 6 5", "S 5 5 B 7 5", "S 5 5 B 8 5"}));
}

TEST(Cannons, DiagonalsAreFoundFromTheRearmostSoldierInDirectionOrder) {
    useBoard(8, 8, 1);
    Grid g;
    // Black anti-diagonal rows 6,5,4 at columns 4,3,2 and diagonal at columns 4,5,6.
    g.at(6, 4) = -2;
    g.at(5, 3) = -2;
    g.at(4, 2) = -2;
    g.at(5, 5) = -2;
    g.at(4, 6) = -2;
    Expanded e(g, true);
    Moves all = moveTexts(e);
    // (-1,-1) from (6,4): F1 (3,1), F2 (2,0), F3 off; R1 (7,5), R2 off.
    // (+1,-1) from (6,4): F1 (3,7), F2 off; R1 (7,3), R2 off.
    ASSERT_EQ(all.size(), 11u + 5u);  // 11 steps, then the two cannons
    EXPECT_EQ(tail(all, 5),
              (Moves{"S 4 6 M 1 3", "S 2 4 B 0 2", "S 2 4 M 5 7", "S 4 6 M 7 3", "S 6 4 M 3 7"}));
}

// No rule may look past an 8 x 8 board: the storage beyond it is filled with
// enemy soldiers that a stray read would turn into captures or threats.
TEST(Borders, NothingBeyondAnEightByEightBoardIsRead) {
    for (bool black : {false, true}) {
        useBoard(8, 8, 1);
        Grid clean = startGrid();
        useBoard(10, 10, 1);
        Grid wide;
        for (int i = 0; i < 10; ++i) {
            for (int j = 0; j < 10; ++j) {
                wide.at(i, j) = i < 8 && j < 8 ? board[i][j] : (black ? 2 : -2);
            }
        }
        useBoard(8, 8, 1);
        node probe{0, 0, 0, 0, 'M', wide.ptr(), 0, {}};
        if (black) {
            getValidBlackMoves(&probe);
        } else {
            getValidWhiteMoves(&probe);
        }
        Expanded plain(clean, black);
        ASSERT_EQ(probe.children.size(), plain.children().size()) << black;
        for (std::size_t k = 0; k < plain.children().size(); ++k) {
            EXPECT_EQ(moveText(probe.children[k]), moveText(plain.children()[k]));
        }
        EXPECT_EQ(utility(wide.ptr(), 0), utility(clean.ptr(), 0));
        deleteNodeChildren(&probe);
    }
}

}  // namespace
