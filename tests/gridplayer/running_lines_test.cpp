// The line count a search keeps move by move: what it adds for a soldier on
// a square must be exactly what that soldier adds to the lines of three the
// whole board counts, on every board size, whatever the square holds while
// the mailbox is read.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "gridplayer/mailbox.h"
#include "gridplayer/running_lines.h"
#include "gridplayer/score.h"
#include "gridplayer/search_board.h"
#include "gridplayer/square_tables.h"
#include "support.h"

namespace {

using namespace gp_test;

int lineCount(Grid& g) {
    return lineSum<Bits, 0>(census<Bits, 0>(g.ptr()), squareTables());
}

int linesThroughSquare(Grid& g, int row, int col, int colour) {
    search.box.load(g.ptr());
    const int bit = row * m + col;
    return colour == 0 ? linesThrough<0>(bit, boxIndex(row, col))
                       : linesThrough<1>(bit, boxIndex(row, col));
}

TEST(RunningLines, EachSoldierCarriesTheLinesItCompletes) {
    struct Size {
        int rows, cols;
    };
    const Size sizes[] = {{6, 1}, {6, 5}, {7, 10}, {8, 8}, {9, 7}, {10, 3}, {10, 10}};
    std::mt19937 rng(2718);
    std::uniform_int_distribution<int> cell(0, 9);
    for (const Size& size : sizes) {
        useBoard(size.rows, size.cols, 1);
        for (int k = 0; k < 12; ++k) {
            // Crowded boards, so that most soldiers stand in some line.
            Grid g;
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < m; ++j) {
                    const int c = cell(rng);
                    g.at(i, j) = c < 4 ? 2 : c < 8 ? -2 : c == 8 ? 1 : 0;
                }
            }
            const int whole = lineCount(g);
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < m; ++j) {
                    const int soldier = g.at(i, j);
                    if (soldier != 2 && soldier != -2) {
                        continue;
                    }
                    Grid without(g);
                    without.at(i, j) = 0;
                    const int expected = whole - lineCount(without);
                    const int colour = soldier == 2 ? 0 : 1;
                    const std::string where = std::to_string(n) + "x" + std::to_string(m) +
                                              " board " + std::to_string(k) + " square " +
                                              std::to_string(i) + "," + std::to_string(j);
                    EXPECT_EQ(linesThroughSquare(g, i, j, colour), expected) << where;
                    EXPECT_EQ(linesThroughSquare(without, i, j, colour), expected) << where;
                }
            }
        }
    }
}

}  // namespace
