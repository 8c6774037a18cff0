// Perft regression counts from the start (black first), and the position
// file format shared by the perft tool and the benchmarks.
#include <gtest/gtest.h>

#include <sstream>

#include "perft.h"
#include "test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

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

TEST(Perft, PositionFileRoundTrip) {
    perft_tp::Position p{Update_board(step(0, 5, 0, 4), initialise()), false};
    std::ostringstream out;
    out << "# a comment\n\n";
    perft_tp::write_position(out, p);
    out << "\n";
    perft_tp::write_position(out, {initialise(), true});
    std::istringstream in(out.str());
    std::string why;
    auto first = perft_tp::read_position(in, &why);
    ASSERT_TRUE(first) << why;
    EXPECT_EQ(first->board, p.board);
    EXPECT_FALSE(first->black);
    auto second = perft_tp::read_position(in, &why);
    ASSERT_TRUE(second) << why;
    EXPECT_EQ(second->board, initialise());
    EXPECT_TRUE(second->black);
    EXPECT_FALSE(perft_tp::read_position(in, &why));
    EXPECT_TRUE(why.empty());
    EXPECT_EQ(perft_tp::perft(first->board, false, 1), board_moves(p.board, false).size());
}

TEST(Perft, PositionFileErrors) {
    const char* bad[] = {
        "black\n. . . . . . . .\n",    // input ends
        "black\n. . . . . . .\n",      // short row
        "black\n. . . . . . . . .\n",  // long row
        "black\n. . . . . . . 2\n",    // a cell code, not a letter
    };
    for (const char* text : bad) {
        std::istringstream in(text);
        std::string why;
        EXPECT_FALSE(perft_tp::read_position(in, &why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
    std::ostringstream board;
    perft_tp::write_position(board, {initialise(), true});
    std::string text = board.str();
    text.replace(text.find("black"), 5, "blue");
    std::istringstream in(text);
    std::string why;
    EXPECT_FALSE(perft_tp::read_position(in, &why));
    EXPECT_NE(why.find("blue"), std::string::npos);
}
