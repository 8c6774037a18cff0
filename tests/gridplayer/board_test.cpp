// Starting positions, node ownership, the board print, the header split and
// move application.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support.h"

namespace {

using namespace gp_test;
using Row = std::vector<int>;

TEST(StartingBoard, TenByTenHasFiveTownHallsAndFifteenSoldiersASide) {
    useBoard(10, 10, 1);
    initializeBoard();
    EXPECT_EQ(rowOf(board, 0), (Row{1, 2, 1, 2, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(rowOf(board, 1), (Row{0, 2, 0, 2, 0, 2, 0, 2, 0, 2}));
    EXPECT_EQ(rowOf(board, 2), (Row{0, 2, 0, 2, 0, 2, 0, 2, 0, 2}));
    for (int i = 3; i <= 6; ++i) {
        EXPECT_EQ(rowOf(board, i), Row(10, 0)) << "row " << i;
    }
    EXPECT_EQ(rowOf(board, 7), (Row{-2, 0, -2, 0, -2, 0, -2, 0, -2, 0}));
    EXPECT_EQ(rowOf(board, 8), (Row{-2, 0, -2, 0, -2, 0, -2, 0, -2, 0}));
    EXPECT_EQ(rowOf(board, 9), (Row{-2, -1, -2, -1, -2, -1, -2, -1, -2, -1}));
}

TEST(StartingBoard, EightByEightAndANonSquareBoard) {
    useBoard(8, 8, 2);
    initializeBoard();
    EXPECT_EQ(rowOf(board, 0), (Row{1, 2, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(rowOf(board, 2), (Row{0, 2, 0, 2, 0, 2, 0, 2}));
    EXPECT_EQ(rowOf(board, 3), Row(8, 0));
    EXPECT_EQ(rowOf(board, 4), Row(8, 0));
    EXPECT_EQ(rowOf(board, 5), (Row{-2, 0, -2, 0, -2, 0, -2, 0}));
    EXPECT_EQ(rowOf(board, 7), (Row{-2, -1, -2, -1, -2, -1, -2, -1}));

    // Odd width: the last even column gets a white town hall and no black one.
    useBoard(7, 5, 1);
    initializeBoard();
    EXPECT_EQ(rowOf(board, 0), (Row{1, 2, 1, 2, 1}));
    EXPECT_EQ(rowOf(board, 1), (Row{0, 2, 0, 2, 0}));
    EXPECT_EQ(rowOf(board, 3), Row(5, 0));
    EXPECT_EQ(rowOf(board, 4), (Row{-2, 0, -2, 0, -2}));
    EXPECT_EQ(rowOf(board, 6), (Row{-2, -1, -2, -1, -2}));
}

TEST(Nodes, CopiesAreIndependentAndEveryNodeIsReleased) {
    useBoard(8, 8, 1);
    Grid g = startGrid();
    std::int64_t live = liveNodeCount;
    node* root = createNode(g.ptr());
    EXPECT_EQ(liveNodeCount, live + 1);
    EXPECT_TRUE(root->children.empty());
    EXPECT_NE(root->grid, g.ptr());
    g.at(3, 3) = 2;  // the copy does not follow its source
    EXPECT_EQ(root->grid[3][3], 0);

    node* a = createNode(g.ptr(), 2, 1, 'B', 5, 1);
    EXPECT_EQ(a->fromRow, 2);
    EXPECT_EQ(a->fromCol, 1);
    EXPECT_EQ(a->moveType, 'B');
    EXPECT_EQ(a->toRow, 5);
    EXPECT_EQ(a->toCol, 1);
    EXPECT_EQ(a->grid[3][3], 2);
    node* b = createNode(g.ptr(), 0, 0, 'M', 1, 1);
    node* c = createNode(g.ptr(), 0, 0, 'M', 1, 1);
    root->children = {a, b, c};
    EXPECT_EQ(liveNodeCount, live + 4);

    // The two-argument form keeps the named child where it was.
    deleteNodeChildren(root, b);
    EXPECT_EQ(liveNodeCount, live + 2);
    ASSERT_EQ(root->children.size(), 3u);
    EXPECT_EQ(root->children[1], b);
    EXPECT_EQ(b->grid[3][3], 2);
    deleteNode(b);
    deleteNode(root);
    EXPECT_EQ(liveNodeCount, live);
}

TEST(Nodes, DisplayWritesTabSeparatedRowsWithAnEmptyLineBetween) {
    useBoard(10, 10, 1);
    initializeBoard();
    std::ostringstream captured;
    auto* old = std::cout.rdbuf(captured.rdbuf());
    displayBoard();
    std::cout.rdbuf(old);
    std::string text = captured.str();
    EXPECT_EQ(text.substr(0, 22), "1\t2\t1\t2\t1\t2\t1\t2\t1\t2\t\n\n");
    EXPECT_NE(text.find("\n\n-2\t-1\t-2\t-1\t-2\t-1\t-2\t-1\t-2\t-1\t\n\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20);
}

TEST(Header, SplitsAtSingleSpacesAndConvertsLeadingDigits) {
    ASSERT_TRUE(parseData("1 10 10 120"));
    EXPECT_EQ(player_id, 1);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(m, 10);
    EXPECT_EQ(gameTime, 120);
    ASSERT_TRUE(parseData("2 8 8 60"));
    EXPECT_EQ(player_id, 2);
    EXPECT_EQ(n, 8);
    // The last field is the whole rest of the line: trailing text and a
    // carriage return after the number are ignored.
    ASSERT_TRUE(parseData("2 6 7 99\r"));
    EXPECT_EQ(gameTime, 99);
    ASSERT_TRUE(parseData("1 8 8 45 seconds more"));
    EXPECT_EQ(gameTime, 45);
    ASSERT_TRUE(parseData("1 \t9 3x -7"));
    EXPECT_EQ(n, 9);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(gameTime, -7);
    ASSERT_TRUE(parseData("1 8 8 -2147483648"));
    EXPECT_EQ(gameTime, -2147483647 - 1);
}

TEST(Header, RefusesWhatCannotBePlayedAndSetsNothing) {
    ASSERT_TRUE(parseData("2 8 8 60"));
    const char* bad[] = {
        "",                   // no space at all
        "1 8 8",              // two spaces
        "1 8  8 60",          // empty field between two spaces
        "x 8 8 60",           // no digits
        "1 8 8 ",             // empty last field
        "1 8 8 2147483648",   // beyond int
        "99999999999 8 8 1",  // far beyond int
        "0 8 8 60",           // no such player
        "3 8 8 60",           // would play black, moving first
        "4 8 8 60",           // would play white, moving first
        "-1 8 8 60",          // negative
        "1 5 8 60",           // rows too few for the starting rows
        "1 11 8 60",          // rows beyond one digit
        "1 8 0 60",           // no column
        "1 8 11 60",          // columns beyond one digit
        "1 -8 8 60",
    };
    for (const char* header : bad) {
        std::string why;
        EXPECT_FALSE(parseData(header, &why)) << header;
        EXPECT_FALSE(why.empty()) << header;
        EXPECT_EQ(player_id, 2) << header;
        EXPECT_EQ(n, 8) << header;
        EXPECT_EQ(gameTime, 60) << header;
    }
}

TEST(PlayMove, StepsCapturesShotsAndIgnoredTypes) {
    useBoard(10, 10, 2);
    initializeBoard();
    board[3][1] = -2;
    ASSERT_TRUE(playMove("S 1 2 M 1 3"));  // capture by moving onto it
    EXPECT_EQ(board[3][1], 2);
    EXPECT_EQ(board[2][1], 0);
    board[5][1] = -2;
    ASSERT_TRUE(playMove("S 1 1 B 1 5"));  // the shot moves nothing
    EXPECT_EQ(board[5][1], 0);
    EXPECT_EQ(board[1][1], 2);
    // A carriage return, other letters at unexamined positions: same move.
    ASSERT_TRUE(playMove("X 3 2_M 3 3\r"));
    EXPECT_EQ(board[3][3], 2);
    EXPECT_EQ(board[2][3], 0);
    Grid before(board);
    ASSERT_TRUE(playMove("S 5 2 Q 5 3"));  // unknown type: unchanged
    EXPECT_TRUE(Grid(board) == before);
}

TEST(PlayMove, MalformedLinesAreRefusedWithoutTouchingTheBoard) {
    useBoard(8, 8, 1);
    initializeBoard();
    Grid before(board);
    const char* bad[] = {"",
                         "S 1 2 M 1",
                         "S 1 2 M 1 ",
                         "S a 2 M 1 3",
                         "S 1 - M 1 3",
                         "S 1 2 M x 3",
                         "S 1 2 B 1 y",
                         "S 8 2 M 1 3",  // column 8 off an 8-column board
                         "S 1 2 M 1 8",  // row 8 off an 8-row board
                         "S 1 9 B 1 3",
                         "S 1 2 Q 9 3"};
    for (const char* line : bad) {
        EXPECT_FALSE(playMove(line)) << line;
        EXPECT_TRUE(Grid(board) == before) << line;
    }
}

}  // namespace
