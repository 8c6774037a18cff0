// Move generation: soldier moves, cannon moves and shots, the legal list.
#include <gtest/gtest.h>

#include "test_support.h"
#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/next_moves.h"
#include "treeplayer/soldier.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

namespace {

// The chain next_moves runs for one soldier of the board.
std::vector<std::string> soldier_chain(const Board& b, coord s, bool black) {
    const auto own = Soldiers_list(black ? BLACK_SOLDIER : WHITE_SOLDIER, b);
    const auto enemy = Soldiers_list(black ? WHITE_SOLDIER : BLACK_SOLDIER, b);
    const auto [whiteHalls, blackHalls] = create_th_list();
    auto targets = soldier_moves(s, enemy, black);
    targets = moves_filter(targets, own, 8, 8);
    targets = moves_filter(targets, black ? blackHalls : whiteHalls, 8, 8);
    return move_texts(coord_to_move(s, targets));
}

std::vector<std::string> cannon_moves_of(const Board& b, bool black) {
    const auto own = Soldiers_list(black ? BLACK_SOLDIER : WHITE_SOLDIER, b);
    const auto enemy = Soldiers_list(black ? WHITE_SOLDIER : BLACK_SOLDIER, b);
    const auto [whiteHalls, blackHalls] = create_th_list();
    const auto [blackCannons, whiteCannons] = Update(b);
    return move_texts(cannon_action(black ? blackCannons : whiteCannons, own, enemy,
                                    black ? blackHalls : whiteHalls,
                                    black ? whiteHalls : blackHalls));
}

}  // namespace

// Worked out by hand for the start, square by square.
TEST(LegalList, BlackAtStartHasThe37MovesInOrder) {
    const std::vector<std::string> expected = {
        "S 0 5 M 0 4", "S 0 5 M 1 4", "S 2 5 M 1 4", "S 2 5 M 2 4", "S 2 5 M 3 4", "S 4 5 M 3 4",
        "S 4 5 M 4 4", "S 4 5 M 5 4", "S 6 5 M 5 4", "S 6 5 M 6 4", "S 6 5 M 7 4", "S 0 6 M 1 5",
        "S 2 6 M 1 5", "S 2 6 M 3 5", "S 4 6 M 3 5", "S 4 6 M 5 5", "S 6 6 M 5 5", "S 6 6 M 7 5",
        "S 0 7 M 1 6", "S 2 7 M 1 6", "S 2 7 M 3 6", "S 4 7 M 3 6", "S 4 7 M 5 6", "S 6 7 M 5 6",
        "S 6 7 M 7 6", "S 0 6 B 0 3", "S 0 6 B 0 2", "S 0 7 M 0 4", "S 2 6 B 2 3", "S 2 6 B 2 2",
        "S 2 7 M 2 4", "S 4 6 B 4 3", "S 4 6 B 4 2", "S 4 7 M 4 4", "S 6 6 B 6 3", "S 6 6 B 6 2",
        "S 6 7 M 6 4"};
    EXPECT_EQ(move_texts(board_moves(initialise(), true)), expected);
    const Board b = initialise();
    const auto [blackCannons, whiteCannons] = Update(b);
    EXPECT_EQ(move_texts(next_moves(blackCannons, Soldiers_list(1, b), Soldiers_list(-1, b), true)),
              expected);
}

TEST(LegalList, WhiteAtStartHasThe37MovesInOrder) {
    const std::vector<std::string> expected = {
        "S 1 0 M 0 1", "S 1 0 M 2 1", "S 3 0 M 2 1", "S 3 0 M 4 1", "S 5 0 M 4 1", "S 5 0 M 6 1",
        "S 7 0 M 6 1", "S 1 1 M 0 2", "S 1 1 M 2 2", "S 3 1 M 2 2", "S 3 1 M 4 2", "S 5 1 M 4 2",
        "S 5 1 M 6 2", "S 7 1 M 6 2", "S 1 2 M 0 3", "S 1 2 M 1 3", "S 1 2 M 2 3", "S 3 2 M 2 3",
        "S 3 2 M 3 3", "S 3 2 M 4 3", "S 5 2 M 4 3", "S 5 2 M 5 3", "S 5 2 M 6 3", "S 7 2 M 6 3",
        "S 7 2 M 7 3", "S 1 1 B 1 4", "S 1 1 B 1 5", "S 1 0 M 1 3", "S 3 1 B 3 4", "S 3 1 B 3 5",
        "S 3 0 M 3 3", "S 5 1 B 5 4", "S 5 1 B 5 5", "S 5 0 M 5 3", "S 7 1 B 7 4", "S 7 1 B 7 5",
        "S 7 0 M 7 3"};
    EXPECT_EQ(move_texts(board_moves(initialise(), false)), expected);
}

TEST(LegalList, SideWithoutSoldiersOrCannons) {
    Board b = empty_board();
    b[7][1] = BLACK_TOWNHALL;
    EXPECT_TRUE(board_moves(b, true).empty());
    b[3][3] = BLACK_SOLDIER;
    EXPECT_EQ(move_texts(board_moves(b, true)),
              (std::vector<std::string>{"S 3 3 M 2 2", "S 3 3 M 3 2", "S 3 3 M 4 2"}));
}

TEST(LegalList, CannonSoldiersStepBeforeAnyCannonMove) {
    Board b = empty_board();
    b[4][2] = b[4][3] = b[4][4] = WHITE_SOLDIER;
    const auto moves = move_texts(board_moves(b, false));
    // Nine soldier steps first, then the horizontal cannon's shots and slides.
    ASSERT_EQ(moves.size(), 14u);
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(moves[i][6], 'M') << moves[i];
    EXPECT_EQ(moves[0], "S 2 4 M 1 5");
    EXPECT_EQ(std::vector<std::string>(moves.begin() + 9, moves.end()),
              (std::vector<std::string>{"S 3 4 B 0 4", "S 3 4 B 6 4", "S 3 4 B 7 4", "S 4 4 M 1 4",
                                        "S 2 4 M 5 4"}));
}

TEST(SoldierMoves, ForwardStepsAtStart) {
    const Board b = initialise();
    EXPECT_EQ(move_texts(coord_to_move({0, 5}, soldier_moves({0, 5}, Soldiers_list(-1, b), true))),
              (std::vector<std::string>{"S 0 5 M -1 4", "S 0 5 M 0 4", "S 0 5 M 1 4"}));
    EXPECT_EQ(soldier_chain(b, {0, 5}, true),
              (std::vector<std::string>{"S 0 5 M 0 4", "S 0 5 M 1 4"}));
    EXPECT_EQ(soldier_chain(b, {7, 2}, false),
              (std::vector<std::string>{"S 7 2 M 6 3", "S 7 2 M 7 3"}));
}

TEST(SoldierMoves, RetreatOpensOnlyForEnemySoldiersInFrontOrBehind) {
    Board b = empty_board();
    b[4][4] = BLACK_SOLDIER;
    // Enemy diagonally behind (black's behind is row 5).
    b[5][5] = WHITE_SOLDIER;
    EXPECT_EQ(soldier_chain(b, {4, 4}, true),
              (std::vector<std::string>{"S 4 4 M 3 3", "S 4 4 M 4 3", "S 4 4 M 5 3", "S 4 4 M 4 6",
                                        "S 4 4 M 2 6", "S 4 4 M 6 6"}));
    // Enemy only beside it: no retreat.
    b[5][5] = EMPTY;
    b[4][5] = WHITE_SOLDIER;
    EXPECT_EQ(soldier_chain(b, {4, 4}, true).size(), 3u);
    // Only an enemy town hall in front: no retreat, but it may be captured.
    b = empty_board();
    b[1][2] = BLACK_SOLDIER;
    b[0][2] = WHITE_TOWNHALL;
    EXPECT_EQ(soldier_chain(b, {2, 1}, true),
              (std::vector<std::string>{"S 2 1 M 1 0", "S 2 1 M 2 0", "S 2 1 M 3 0"}));
    // Enemy in front, white soldier moving toward row 7.
    b = empty_board();
    b[3][3] = WHITE_SOLDIER;
    b[4][2] = BLACK_SOLDIER;
    EXPECT_EQ(soldier_chain(b, {3, 3}, false),
              (std::vector<std::string>{"S 3 3 M 2 4", "S 3 3 M 3 4", "S 3 3 M 4 4", "S 3 3 M 3 1",
                                        "S 3 3 M 1 1", "S 3 3 M 5 1"}));
}

TEST(SoldierMoves, RetreatTargetsRespectOwnPiecesAndHomeSquares) {
    Board b = empty_board();
    b[5][3] = BLACK_SOLDIER;  // retreats to row 7
    b[4][2] = WHITE_SOLDIER;  // opens the retreat
    b[7][5] = BLACK_SOLDIER;  // own soldier on (5, 7); (3, 7) and (1, 7) are home squares
    EXPECT_EQ(soldier_chain(b, {3, 5}, true),
              (std::vector<std::string>{"S 3 5 M 2 4", "S 3 5 M 3 4", "S 3 5 M 4 4"}));
    // A retreat onto an enemy soldier two rows back is a capture.
    b = empty_board();
    b[4][4] = BLACK_SOLDIER;
    b[3][4] = WHITE_SOLDIER;
    b[6][6] = WHITE_SOLDIER;
    EXPECT_EQ(soldier_chain(b, {4, 4}, true),
              (std::vector<std::string>{"S 4 4 M 3 3", "S 4 4 M 4 3", "S 4 4 M 5 3", "S 4 4 M 4 6",
                                        "S 4 4 M 2 6", "S 4 4 M 6 6"}));
}

TEST(SoldierMoves, BlackOnRowZeroOnlyRetreats) {
    Board b = empty_board();
    b[0][3] = BLACK_SOLDIER;
    EXPECT_TRUE(soldier_chain(b, {3, 0}, true).empty());
    b[1][4] = WHITE_SOLDIER;  // behind it
    EXPECT_EQ(soldier_chain(b, {3, 0}, true),
              (std::vector<std::string>{"S 3 0 M 3 2", "S 3 0 M 1 2", "S 3 0 M 5 2"}));
}

TEST(SoldierMoves, NeverOntoOwnHomeSquaresEvenEmpty) {
    Board b = empty_board();
    b[1][3] = WHITE_SOLDIER;
    b[2][3] = BLACK_SOLDIER;  // in front of white: retreat open, to row -1: off board
    // White's row 0 squares are behind; only straight retreats would reach them.
    EXPECT_EQ(soldier_chain(b, {3, 1}, false),
              (std::vector<std::string>{"S 3 1 M 2 2", "S 3 1 M 3 2", "S 3 1 M 4 2"}));
    // A white soldier on row 6 steps to row 7: (3, 7) is a black home square,
    // enemy for white, so it may be entered; white's own home squares never.
    b = empty_board();
    b[6][3] = WHITE_SOLDIER;
    EXPECT_EQ(soldier_chain(b, {3, 6}, false),
              (std::vector<std::string>{"S 3 6 M 2 7", "S 3 6 M 3 7", "S 3 6 M 4 7"}));
    b = empty_board();
    b[2][2] = WHITE_SOLDIER;
    b[3][2] = BLACK_SOLDIER;  // retreat to row 0: (2, 0) own home, (0, 0) own home
    EXPECT_EQ(soldier_chain(b, {2, 2}, false),
              (std::vector<std::string>{"S 2 2 M 1 3", "S 2 2 M 2 3", "S 2 2 M 3 3"}));
}

TEST(SoldierMoves, MovesFilterBoundsAndExclusions) {
    EXPECT_EQ(moves_filter({{-1, 4}, {0, 0}, {8, 3}, {7, 7}, {3, -1}, {2, 8}}, {}, 8, 8),
              (std::vector<coord>{{0, 0}, {7, 7}}));
    EXPECT_EQ(moves_filter({{1, 1}, {2, 2}, {1, 1}}, {{2, 2}}, 8, 8),
              (std::vector<coord>{{1, 1}, {1, 1}}));
}

TEST(CannonMoves, Orientation) {
    EXPECT_EQ(orientation({{4, 3}, {3, 3}, {2, 3}}), 0);
    EXPECT_EQ(orientation({{3, 4}, {3, 3}, {3, 2}}), 1);
    EXPECT_EQ(orientation({{2, 2}, {3, 3}, {4, 4}}), 3);
    EXPECT_EQ(orientation({{4, 2}, {3, 3}, {2, 4}}), 2);
    EXPECT_EQ(orientation({{2, 4}, {3, 3}, {4, 2}}), 2);
}

TEST(CannonMoves, SlideRecordAndNoMoveMarker) {
    EXPECT_EQ(cannon_coord_to_move({0, 7}, {0, 4}, 8, 8), step(0, 7, 0, 4));
    EXPECT_EQ(cannon_coord_to_move({5, 3}, {8, 3}, 8, 8), (Move{'A', 0, 0, 'A', 0, 0}));
    EXPECT_EQ(cannon_coord_to_move({3, 1}, {3, -1}, 8, 8), (Move{'A', 0, 0, 'A', 0, 0}));
    EXPECT_EQ(cannon_coord_to_shot({1, 1}, {{1, 4}, {1, 5}}),
              (std::vector<Move>{shot(1, 1, 1, 4), shot(1, 1, 1, 5)}));
}

TEST(CannonMoves, StartCannonsShootTwiceAndSlideOnce) {
    const auto black = cannon_moves_of(initialise(), true);
    ASSERT_EQ(black.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(black.begin(), black.begin() + 3),
              (std::vector<std::string>{"S 0 6 B 0 3", "S 0 6 B 0 2", "S 0 7 M 0 4"}));
    const auto white = cannon_moves_of(initialise(), false);
    EXPECT_EQ(std::vector<std::string>(white.begin(), white.begin() + 3),
              (std::vector<std::string>{"S 1 1 B 1 4", "S 1 1 B 1 5", "S 1 0 M 1 3"}));
}

TEST(CannonMoves, BlockedFrontStopsSlideAndShots) {
    Board b = empty_board();
    b[5][3] = b[4][3] = b[3][3] = BLACK_SOLDIER;  // vertical, middle (3, 4)
    // Free both ways; toward row 7 the only target (3, 7) is an own home square.
    EXPECT_EQ(cannon_moves_of(b, true), (std::vector<std::string>{"S 3 4 B 3 1", "S 3 4 B 3 0",
                                                                  "S 3 5 M 3 2", "S 3 3 M 3 6"}));
    b[2][3] = WHITE_SOLDIER;  // an enemy soldier on P of the first direction
    EXPECT_EQ(cannon_moves_of(b, true), (std::vector<std::string>{"S 3 3 M 3 6"}));
    // An empty white home square (6, 0) in front of a black cannon blocks it.
    b = empty_board();
    b[3][3] = b[2][4] = b[1][5] = BLACK_SOLDIER;  // middle (4, 2), x+y constant
    EXPECT_EQ(cannon_moves_of(b, true),
              (std::vector<std::string>{"S 4 2 B 1 5", "S 4 2 B 0 6", "S 5 1 M 2 4"}));
}

TEST(CannonMoves, ShotsReachEnemyPiecesAndEnemyHomeSquares) {
    Board b = empty_board();
    b[4][1] = b[3][1] = b[2][1] = WHITE_SOLDIER;  // vertical, middle (1, 3)
    b[6][1] = BLACK_SOLDIER;                      // first target toward row 7
    EXPECT_EQ(cannon_moves_of(b, false),
              (std::vector<std::string>{"S 1 3 B 1 0", "S 1 3 B 1 6", "S 1 3 B 1 7", "S 1 4 M 1 1",
                                        "S 1 2 M 1 5"}));
    b = empty_board();
    b[4][2] = b[3][3] = b[2][4] = BLACK_SOLDIER;  // middle (3, 3), x+y constant
    EXPECT_EQ(cannon_moves_of(b, true), (std::vector<std::string>{"S 3 3 B 0 6", "S 3 3 B 6 0",
                                                                  "S 4 2 M 1 5", "S 2 4 M 5 1"}));
}

TEST(CannonMoves, FiresOverAPieceButNeverAtOwnPieces) {
    Board b = empty_board();
    b[6][2] = b[5][2] = b[4][2] = BLACK_SOLDIER;  // middle (2, 5)
    b[2][2] = WHITE_SOLDIER;                      // on M + 3u: fired over to (2, 1)
    EXPECT_EQ(cannon_moves_of(b, true), (std::vector<std::string>{"S 2 5 B 2 2", "S 2 5 B 2 1",
                                                                  "S 2 6 M 2 3", "S 2 4 M 2 7"}));
    b[2][2] = BLACK_SOLDIER;  // own soldier at M + 3u: not a target, M + 4u still is
    EXPECT_EQ(cannon_moves_of(b, true),
              (std::vector<std::string>{"S 2 5 B 2 1", "S 2 6 M 2 3", "S 2 4 M 2 7"}));
}

TEST(CannonMoves, FourInARowMoveOnlyOutward) {
    Board b = empty_board();
    for (int x = 2; x <= 5; ++x)
        b[4][x] = BLACK_SOLDIER;
    EXPECT_EQ(cannon_moves_of(b, true),
              (std::vector<std::string>{"S 3 4 B 0 4", "S 4 4 M 1 4",     // middle (3, 4): left
                                        "S 4 4 B 7 4", "S 3 4 M 6 4"}));  // middle (4, 4): right
}
