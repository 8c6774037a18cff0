// The whole turn on the 50 benchmark positions must keep the results of the
// plain by-value implementation (same move, same value): speed work on the
// internals must not change what treeplayer plays.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "positions/position.h"
#include "positions/treeplayer_cells.h"
#include "test_support.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

TEST(Turns, BenchmarkPositionsKeepTheirMoveAndValue) {
    std::ifstream set(TREEPLAYER_POSITIONS);
    std::ifstream expected(TREEPLAYER_TURNS_EXPECTED);
    ASSERT_TRUE(set && expected);
    std::string why;
    std::string text;
    int count = 0;
    while (auto p = positions::read_position(set, 8, 8, &why)) {
        while (std::getline(expected, text) && (text.empty() || text[0] == '#')) {
        }
        ASSERT_TRUE(expected) << "no expected line for position " << count;
        std::istringstream fields(text);
        int index = 0;
        int value = 0;
        fields >> index >> value;
        std::string move;
        std::getline(fields >> std::ws, move);
        Node root;
        root.SetBlack(p->black_to_move);
        root.SetBoard(positions::treeplayer_board(*p));
        create_tree(&root, 0);
        const auto [v, m] = minimax(&root, true, MIN, MAX);
        EXPECT_EQ(index, count);
        EXPECT_EQ(v, value) << "position " << count;
        EXPECT_EQ(move_text(m), move) << "position " << count;
        ++count;
    }
    EXPECT_TRUE(why.empty()) << why;
    EXPECT_EQ(count, 50);
}
