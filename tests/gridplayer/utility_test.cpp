// The static evaluation: every value worked out by hand for the rules of the
// material term, the line terms and the two sides' town-hall rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "support.h"

namespace {

using namespace gp_test;

struct Case {
    const char* name;
    std::vector<std::pair<int, int>> cells;  // (row, column)
    int code;
    int forBlack;  // player_id 1
    int forWhite;  // player_id 2
};

int score(Grid& g, int player) {
    player_id = player;
    return utility(g.ptr(), 0);
}

TEST(Utility, EmptyAndStartingBoards) {
    useBoard(8, 8, 1);
    Grid empty;
    EXPECT_EQ(score(empty, 1), 0);
    EXPECT_EQ(score(empty, 2), 19000);

    Grid start8 = startGrid();
    EXPECT_EQ(score(start8, 1), -314);
    EXPECT_EQ(score(start8, 2), 314);

    useBoard(10, 10, 1);
    Grid start10 = startGrid();
    EXPECT_EQ(score(start10, 1), -603);
    EXPECT_EQ(score(start10, 2), 603);
}

TEST(Utility, SingleSoldiersAndLinesOnAnEmptyEightByEight) {
    const Case cases[] = {
        {"white soldier", {{3, 4}}, 2, -7, 19007},
        {"black soldier", {{3, 4}}, -2, 6, 18994},
        {"white row line", {{3, 4}, {3, 5}, {3, 6}}, 2, -58, 19058},
        {"white column line", {{2, 1}, {3, 1}, {4, 1}}, 2, -62, 19062},
        {"black row line", {{4, 0}, {4, 1}, {4, 2}}, -2, 35, 18965},
        {"white diagonal", {{1, 5}, {2, 4}, {3, 3}}, 2, -59, 19059},
        {"black column line", {{4, 2}, {5, 2}, {6, 2}}, -2, 16, 18984},
    };
    useBoard(8, 8, 1);
    for (const Case& c : cases) {
        Grid g;
        for (auto [row, col] : c.cells) {
            g.at(row, col) = c.code;
        }
        EXPECT_EQ(score(g, 1), c.forBlack) << c.name;
        EXPECT_EQ(score(g, 2), c.forWhite) << c.name;
    }
}

TEST(Utility, TownHallRulesDifferBetweenTheSides) {
    useBoard(8, 8, 1);
    auto halls = [](int white, int black) {
        Grid g;
        for (int k = 0; k < white; ++k) {
            g.at(0, 2 * k) = 1;
        }
        for (int k = 0; k < black; ++k) {
            g.at(7, 2 * k + 1) = -1;
        }
        return g;
    };
    Grid threeTwo = halls(3, 2);
    EXPECT_EQ(score(threeTwo, 1), -500);
    EXPECT_EQ(score(threeTwo, 2), 19500);
    Grid twoThree = halls(2, 3);
    EXPECT_EQ(score(twoThree, 1), 19500);
    EXPECT_EQ(score(twoThree, 2), -500);
    Grid oneOne = halls(1, 1);
    EXPECT_EQ(score(oneOne, 1), 0);  // black gains nothing below two
    EXPECT_EQ(score(oneOne, 2), 19000);
    Grid fourFour = halls(4, 4);
    EXPECT_EQ(score(fourFour, 1), 0);
    EXPECT_EQ(score(fourFour, 2), 0);
}

TEST(Utility, DepthArgumentAndUnknownCodesChangeNothing) {
    useBoard(10, 10, 2);
    Grid g = startGrid();
    int base = score(g, 2);
    for (int depth : {0, 1, 3, 4, 99}) {
        EXPECT_EQ(utility(g.ptr(), depth), base);
    }
    g.at(5, 5) = 7;  // not a cell code: counts as empty
    EXPECT_EQ(score(g, 2), base);
}

}  // namespace

namespace {

// Seeded random boards of every size a header allows (6 to 10 rows, 1 to 10
// columns), for both players, dense and sparse, with a few values that are
// no cell code at all (some of which a narrowing to 8 or 16 bits would turn
// into one), scored on a test-owned block, on separately allocated rows and
// on a search node's board, by a search that starts from it and, at every
// position one move on, by the score the search keeps move by move. The
// sizes are visited in a shuffled order, so tables made for one size are
// seen to be remade for the next.
int wrongChildren = 0;

void checkChild(const node* p, int depth) {
    if (depth == 4 && p->value != literalUtility(p->grid)) {
        ++wrongChildren;
    }
}

TEST(Utility, AgreesWithTheLiteralScanOnSeededRandomBoards) {
    std::vector<std::pair<int, int>> sizes;
    for (int rows = 6; rows <= 10; ++rows) {
        for (int cols = 1; cols <= 10; ++cols) {
            sizes.emplace_back(rows, cols);
        }
    }
    std::mt19937 rng(12345);
    std::shuffle(sizes.begin(), sizes.end(), rng);
    const int odd[] = {3, -3, 7, 65538, -65538, 40000, -40000, 130, -130, 258};
    auto roll = [&](int below) { return static_cast<int>(rng() % static_cast<unsigned>(below)); };
    for (auto [rows, cols] : sizes) {
        for (int k = 0; k < 240; ++k) {
            useBoard(rows, cols, 1 + k % 2);
            Grid g;
            int density = 1 + roll(8);  // in eighths
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < m; ++j) {
                    if (roll(8) >= density) {
                        continue;
                    }
                    int r = roll(100);
                    g.at(i, j) = r < 40 ? 2 : r < 80 ? -2 : r < 88 ? 1 : r < 96 ? -1 : odd[r % 10];
                }
            }
            std::vector<std::vector<int>> separate(static_cast<std::size_t>(n));
            std::vector<int*> rowPtrs;
            for (int i = 0; i < n; ++i) {
                separate[static_cast<std::size_t>(i)].assign(g.ptr()[i], g.ptr()[i] + m);
                rowPtrs.push_back(separate[static_cast<std::size_t>(i)].data());
            }
            int expected = literalUtility(g.ptr());
            ASSERT_EQ(utility(g.ptr(), 1), expected) << rows << "x" << cols << " board " << k;
            ASSERT_EQ(utility(rowPtrs.data(), 2), expected)
                << rows << "x" << cols << " board " << k;
            node* p = createNode(g.ptr());
            ASSERT_EQ(utility(p->grid, 3), expected) << rows << "x" << cols << " board " << k;
            // A search starting here scores the board from the bit sets and
            // the material sum it sets up, not by a scan.
            MAX_DEPTH = 3;
            ASSERT_EQ(DFS(p, 3, INT_MIN, INT_MAX).first, expected)
                << rows << "x" << cols << " board " << k;
            MAX_DEPTH = 4;
            dfsNodeHook = checkChild;
            DFS(p, 3, INT_MIN, INT_MAX);
            dfsNodeHook = nullptr;
            ASSERT_EQ(wrongChildren, 0) << rows << "x" << cols << " board " << k;
            deleteNode(p);
        }
    }
    MAX_DEPTH = 1;
}

}  // namespace
