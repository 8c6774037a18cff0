// The board model: the starting board, Update_board, contains, and the
// soldier, town-hall and cannon lists.
#include <gtest/gtest.h>

#include <random>

#include "test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

namespace {

std::vector<std::vector<coord>> cannon_squares(const std::vector<Cannon>& cannons) {
    std::vector<std::vector<coord>> out;
    out.reserve(cannons.size());
    for (const auto& [a, m, b] : cannons)
        out.push_back({a, m, b});
    return out;
}

}  // namespace

TEST(Board, InitialiseIsTheStartingTable) {
    const Board expected = {
        {-2, -1, -2, -1, -2, -1, -2, -1}, {0, -1, 0, -1, 0, -1, 0, -1},
        {0, -1, 0, -1, 0, -1, 0, -1},     {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0},         {1, 0, 1, 0, 1, 0, 1, 0},
        {1, 0, 1, 0, 1, 0, 1, 0},         {1, 2, 1, 2, 1, 2, 1, 2},
    };
    EXPECT_EQ(initialise(), expected);
    int counts[5] = {};
    for (const auto& row : initialise()) {
        for (int c : row)
            ++counts[c + 2];
    }
    EXPECT_EQ(counts[0], 4);   // white town halls
    EXPECT_EQ(counts[1], 12);  // white soldiers
    EXPECT_EQ(counts[3], 12);  // black soldiers
    EXPECT_EQ(counts[4], 4);   // black town halls
}

TEST(Board, UpdateBoardShotsAndSteps) {
    const Board start = initialise();
    // A shot at an empty square changes nothing.
    EXPECT_EQ(Update_board(shot(0, 6, 0, 3), start), start);
    // S 3 4 B 3 2 empties (3, 2) only; the shooter's square is untouched.
    Board b = start;
    b[4][3] = BLACK_SOLDIER;
    Board after = Update_board(shot(3, 4, 3, 2), b);
    Board expected = b;
    expected[2][3] = EMPTY;
    EXPECT_EQ(after, expected);
    // A shot at a town hall empties it.
    after = Update_board(shot(0, 6, 0, 0), start);
    EXPECT_EQ(after[0][0], EMPTY);
    EXPECT_EQ(after[6][0], BLACK_SOLDIER);
    // S 0 5 M 1 4 onto an enemy soldier: capture by overwrite.
    b = start;
    b[4][1] = WHITE_SOLDIER;
    after = Update_board(step(0, 5, 1, 4), b);
    EXPECT_EQ(after[4][1], BLACK_SOLDIER);
    EXPECT_EQ(after[5][0], EMPTY);
    // Onto an enemy town hall.
    after = Update_board(step(1, 2, 1, 7), start);
    EXPECT_EQ(after[7][1], WHITE_SOLDIER);
    EXPECT_EQ(after[2][1], EMPTY);
    // Same source and target: unchanged.
    EXPECT_EQ(Update_board(step(2, 5, 2, 5), start), start);
    // From an empty square: the target is emptied.
    after = Update_board(step(3, 4, 3, 2), start);
    EXPECT_EQ(after[2][3], EMPTY);
    // Any action other than B is a move; the piece letter is not looked at.
    after = Update_board(Move{'Q', 0, 5, 'X', 0, 4}, start);
    EXPECT_EQ(after[4][0], BLACK_SOLDIER);
    EXPECT_EQ(after[5][0], EMPTY);
}

TEST(Board, UpdateBoardLeavesItsArgumentAlone) {
    const Board start = initialise();
    // A copy on purpose: the test compares it with start after the call.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    Board b = start;
    (void)Update_board(step(0, 5, 0, 4), b);
    EXPECT_EQ(b, start);
}

TEST(Board, Contains) {
    EXPECT_FALSE(contains({0, 0}, {}));
    EXPECT_FALSE(contains({3, 4}, {{4, 3}}));
    EXPECT_TRUE(contains({3, 4}, {{4, 3}, {3, 4}}));
}

TEST(Lists, SoldierListsAtStartAreRowMajor) {
    const auto black = Soldiers_list(BLACK_SOLDIER, initialise());
    ASSERT_EQ(black.size(), 12u);
    const std::vector<coord> head = {{0, 5}, {2, 5}, {4, 5}, {6, 5}, {0, 6}};
    EXPECT_EQ(std::vector<coord>(black.begin(), black.begin() + 5), head);
    EXPECT_EQ(black.back(), (coord{6, 7}));
    const auto white = Soldiers_list(WHITE_SOLDIER, initialise());
    ASSERT_EQ(white.size(), 12u);
    const std::vector<coord> whiteHead = {{1, 0}, {3, 0}, {5, 0}, {7, 0}};
    EXPECT_EQ(std::vector<coord>(white.begin(), white.begin() + 4), whiteHead);
    EXPECT_EQ(Soldiers_list(BLACK_TOWNHALL, initialise()),
              (std::vector<coord>{{1, 7}, {3, 7}, {5, 7}, {7, 7}}));
}

TEST(Lists, EmptyBoardHasNoSoldiersAndNoCannons) {
    EXPECT_TRUE(Soldiers_list(BLACK_SOLDIER, empty_board()).empty());
    EXPECT_TRUE(Soldiers_list(WHITE_SOLDIER, empty_board()).empty());
    auto [black, white] = Update(empty_board());
    EXPECT_TRUE(black.empty());
    EXPECT_TRUE(white.empty());
}

TEST(Lists, TownHallHomeSquaresAreFixed) {
    const auto [white, black] = create_th_list();
    EXPECT_EQ(white, (std::vector<coord>{{0, 0}, {2, 0}, {4, 0}, {6, 0}}));
    EXPECT_EQ(black, (std::vector<coord>{{1, 7}, {3, 7}, {5, 7}, {7, 7}}));
}

TEST(Lists, StartCannons) {
    auto [black, white] = Update(initialise());
    const std::vector<std::vector<coord>> expectedBlack = {{{0, 7}, {0, 6}, {0, 5}},
                                                           {{2, 7}, {2, 6}, {2, 5}},
                                                           {{4, 7}, {4, 6}, {4, 5}},
                                                           {{6, 7}, {6, 6}, {6, 5}}};
    const std::vector<std::vector<coord>> expectedWhite = {{{1, 2}, {1, 1}, {1, 0}},
                                                           {{3, 2}, {3, 1}, {3, 0}},
                                                           {{5, 2}, {5, 1}, {5, 0}},
                                                           {{7, 2}, {7, 1}, {7, 0}}};
    EXPECT_EQ(cannon_squares(black), expectedBlack);
    EXPECT_EQ(cannon_squares(white), expectedWhite);
}

TEST(Lists, CannonsOnEdgesAndInAllDirections) {
    Board b = empty_board();
    // Row 0: horizontal only; column 7: vertical only.
    b[0][2] = b[0][3] = b[0][4] = BLACK_SOLDIER;
    b[3][7] = b[4][7] = b[5][7] = BLACK_SOLDIER;
    EXPECT_EQ(
        cannon_squares(Get_list(BLACK_SOLDIER, b)),
        (std::vector<std::vector<coord>>{{{4, 0}, {3, 0}, {2, 0}}, {{7, 5}, {7, 4}, {7, 3}}}));
    // The two diagonals through one middle, in their element order.
    b = empty_board();
    b[2][2] = b[3][3] = b[4][4] = WHITE_SOLDIER;
    b[2][4] = b[4][2] = WHITE_SOLDIER;
    EXPECT_EQ(
        cannon_squares(Get_list(WHITE_SOLDIER, b)),
        (std::vector<std::vector<coord>>{{{2, 2}, {3, 3}, {4, 4}}, {{4, 2}, {3, 3}, {2, 4}}}));
}

TEST(Lists, FourInARowGiveTwoCannonsLeftToRight) {
    Board b = empty_board();
    for (int x = 2; x <= 5; ++x)
        b[4][x] = BLACK_SOLDIER;
    EXPECT_EQ(
        cannon_squares(Get_list(BLACK_SOLDIER, b)),
        (std::vector<std::vector<coord>>{{{4, 4}, {3, 4}, {2, 4}}, {{5, 4}, {4, 4}, {3, 4}}}));
}

TEST(Lists, NoCannonThroughTownHallOrMixedSides) {
    Board b = empty_board();
    b[7][0] = BLACK_SOLDIER;
    b[7][1] = BLACK_TOWNHALL;
    b[7][2] = BLACK_SOLDIER;
    b[3][3] = BLACK_SOLDIER;
    b[3][4] = WHITE_SOLDIER;
    b[3][5] = BLACK_SOLDIER;
    EXPECT_TRUE(Get_list(BLACK_SOLDIER, b).empty());
    EXPECT_TRUE(Get_list(WHITE_SOLDIER, b).empty());
    // Corners are never a middle.
    b = empty_board();
    b[0][0] = b[0][1] = b[1][0] = b[1][1] = WHITE_SOLDIER;
    EXPECT_TRUE(Get_list(WHITE_SOLDIER, b).empty());
}

TEST(Lists, SearchMatchesEitherReading) {
    const Cannon c{{4, 4}, {3, 4}, {2, 4}};
    const Cannon reversed{{2, 4}, {3, 4}, {4, 4}};
    const Cannon other{{4, 5}, {3, 4}, {2, 3}};
    EXPECT_TRUE(Search({c}, reversed));
    EXPECT_TRUE(Search({other, c}, c));
    EXPECT_FALSE(Search({other}, c));
    EXPECT_FALSE(Search({}, c));
}

namespace {

// The cannon scan as the rules state it, square by square: the reference
// the bit-set scan is held to.
std::vector<Cannon> literal_cannons(int code, const Board& b) {
    const coord firstEnd[4] = {{0, 1}, {1, 0}, {-1, -1}, {1, -1}};
    auto holds = [&](int x, int y) {
        return x >= 0 && x < 8 && y >= 0 && y < 8 && b[y][x] == code;
    };
    std::vector<Cannon> list;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (b[y][x] != code)
                continue;
            const bool innerX = x >= 1 && x <= 6;
            const bool innerY = y >= 1 && y <= 6;
            for (int d = 0; d < 4; ++d) {
                // Edge rows: horizontal lines only; edge columns: vertical only.
                const bool allowed = (innerX && innerY) || (d == 1 && innerX) || (d == 0 && innerY);
                const coord e = firstEnd[d];
                if (allowed && holds(x + e.x, y + e.y) && holds(x - e.x, y - e.y))
                    list.push_back({{x + e.x, y + e.y}, {x, y}, {x - e.x, y - e.y}});
            }
        }
    }
    return list;
}

}  // namespace

// Seeded random boards from sparse to full, with every cell code: both
// sides' cannon lists are the literal scan's, element by element and in order.
TEST(Lists, CannonScanMatchesTheLiteralScanOnRandomBoards) {
    std::mt19937 rng(8128);
    const int codes[] = {BLACK_SOLDIER, WHITE_SOLDIER, BLACK_TOWNHALL, WHITE_TOWNHALL};
    for (int k = 0; k < 2000; ++k) {
        Board b = empty_board();
        const unsigned density = 1 + k % 8;  // in eighths
        for (auto& row : b) {
            for (int& cell : row) {
                if (rng() % 8 < density)
                    cell = codes[rng() % 4 < 3 ? rng() % 2 : 2 + rng() % 2];
            }
        }
        for (int code : {BLACK_SOLDIER, WHITE_SOLDIER}) {
            ASSERT_EQ(cannon_squares(Get_list(code, b)), cannon_squares(literal_cannons(code, b)))
                << "board " << k << " code " << code;
        }
    }
}
