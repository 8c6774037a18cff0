// treeplayer's perft: regression counts from the start (black first), and
// divide lines that follow its move list.
#include <gtest/gtest.h>

#include "perft/treeplayer.h"
#include "tests/treeplayer/test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

// Depth 1 was checked by hand, move by move (the 37 moves of
// LegalList.BlackAtStartHasThe37MovesInOrder); deeper counts were computed
// once with this implementation and are kept as regression checks.
TEST(Perft, StartPositionTable) {
    const std::uint64_t expected[] = {1, 37, 1369, 49726, 1806192};
    for (int depth = 0; depth <= 4; ++depth) {
        EXPECT_EQ(perft_tp::perft(initialise(), true, depth), expected[depth]) << depth;
    }
}

TEST(Perft, DivideSumsToPerftAndFollowsTheMoveList) {
    const Board start = initialise();
    const auto lines = perft_tp::divide(start, true, 3);
    const auto moves = board_moves(start, true);
    ASSERT_EQ(lines.size(), moves.size());
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].move, moves[i]);
        EXPECT_EQ(lines[i].count, perft_tp::perft(Update_board(moves[i], start), false, 2));
        total += lines[i].count;
    }
    EXPECT_EQ(total, perft_tp::perft(start, true, 3));
    EXPECT_EQ(perft_tp::format_divide_line({step(0, 5, 0, 4), 1234}), "S 0 5 M 0 4: 1234");
    EXPECT_TRUE(perft_tp::divide(start, true, 0).empty());
}
