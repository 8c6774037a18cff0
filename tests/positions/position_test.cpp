// The position file of letters: reading several positions, rejecting
// malformed ones; and each program's cells meaning what the letters mean.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gridplayer/gridplayer.h"
#include "perft/gridplayer.h"
#include "perft/treeplayer.h"
#include "positions/gridplayer_cells.h"
#include "positions/position.h"
#include "positions/rules_cells.h"
#include "positions/treeplayer_cells.h"
#include "treeplayer/cannon_list.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

using positions::read_position;
using positions::read_single_position;

TEST(PositionFile, ReadsPositionsInOrderThroughCommentsBlanksAndCarriageReturns) {
    std::istringstream in(
        "# two 6x2 positions\n"
        "\n"
        "white\r\n"
        "W w\n"
        ".w\r\n"
        "  \t\n"
        ". .\n"
        "# in between\n"
        ". .\n"
        "b B\n"
        "b\tb\n"
        "black\n"
        "W W\nw w\n. .\n. .\nb b\nB B\n");
    std::string why;
    auto first = read_position(in, 6, 2, &why);
    ASSERT_TRUE(first) << why;
    EXPECT_FALSE(first->black_to_move);
    EXPECT_EQ(first->cells, "Ww.w....bBbb");
    EXPECT_EQ(first->at(4, 1), 'B');
    auto second = read_position(in, 6, 2, &why);
    ASSERT_TRUE(second) << why;
    EXPECT_TRUE(second->black_to_move);
    EXPECT_FALSE(read_position(in, 6, 2, &why));
    EXPECT_TRUE(why.empty()) << why;

    std::ostringstream out;
    positions::write_position(out, *first);
    EXPECT_EQ(out.str(), "white\nW w\n. w\n. .\n. .\nb B\nb b\n");
}

TEST(PositionFile, MalformedPositionsSayWhatAndWhere) {
    const struct {
        const char* text;
        const char* fault;
    } cases[] = {
        {"red\n", "line 1"},
        {"b b\n", "side to move"},
        {"black\n. .\n", "ends after 1 of 6 rows"},
        {"black\n. .\n. . .\n", "line 3 (row 1): 3 cells, expected 2"},
        {"black\n.\n", "1 cells, expected 2"},
        {"black\n. x\n", "unknown cell 'x'"},
        {"black\n. 1\n", "unknown cell '1'"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::string why;
        EXPECT_FALSE(read_position(in, 6, 2, &why)) << c.text;
        EXPECT_NE(why.find(c.fault), std::string::npos) << c.text << " -> " << why;
    }
    std::string why;
    std::istringstream empty("# nothing\n\n");
    EXPECT_FALSE(read_single_position(empty, 6, 2, &why));
    EXPECT_NE(why.find("no position"), std::string::npos) << why;
    std::istringstream seven_rows("black\n. .\n. .\n. .\n. .\n. .\n. .\n. .\n");
    EXPECT_FALSE(read_single_position(seven_rows, 6, 2, &why));
    EXPECT_NE(why.find("more than one position"), std::string::npos) << why;
}

TEST(PositionFile, ReadsAWholeSetOrSaysWhichPositionIsBad) {
    std::istringstream two(
        "black\n. .\n. .\n. .\n. .\n. .\nB B\nwhite\nW W\n. .\n. .\n. .\n. .\n. .\n");
    EXPECT_EQ(positions::read_positions(two, 6, 2).size(), 2u);
    std::istringstream cut("black\n. .\n. .\n. .\n. .\n. .\nB B\nwhite\nW W\n");
    try {
        positions::read_positions(cut, 6, 2);
        ADD_FAILURE() << "a cut second position was read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("position 1: the input ends after 1 of 6 rows"),
                  std::string::npos)
            << e.what();
    }
}

// Each program's start, translated to letters, is the same position, and a
// letter goes to each program's cell code and back.
TEST(Cells, EveryProgramsStartReadsTheSame) {
    const auto treeplayer_start = perft_tp::perft_tool().start(8, 8);
    const auto gridplayer_start = perft_gridplayer::perftTool().start(8, 8);
    const auto rules_start =
        positions::from_rules(rules::Board::starting(8, 8), rules::Side::Black);
    EXPECT_EQ(treeplayer_start.cells, gridplayer_start.cells);
    EXPECT_EQ(rules_start.cells, gridplayer_start.cells);
    EXPECT_EQ(treeplayer_start.cells.substr(0, 16), "WwWwWwWw.w.w.w.w");
    EXPECT_EQ(positions::treeplayer_board(treeplayer_start), initialise());
    EXPECT_EQ(positions::rules_board(rules_start), rules::Board::starting(8, 8));
    const std::vector<int> codes = positions::gridplayer_cells(gridplayer_start);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j)
            EXPECT_EQ(codes[static_cast<std::size_t>(i * 8 + j)], board[i][j]) << i << j;
    }
    for (char letter : std::string("bBwW")) {
        EXPECT_EQ(positions::treeplayer_letter(positions::treeplayer_code(letter)), letter);
        EXPECT_EQ(positions::gridplayer_letter(positions::gridplayer_code(letter)), letter);
    }
    EXPECT_EQ(positions::treeplayer_code('w'), WHITE_SOLDIER);
    EXPECT_EQ(positions::gridplayer_code('w'), 2);
    EXPECT_EQ(positions::side_to_move(gridplayer_start), rules::Side::Black);
}

TEST(Cells, BenchSetsReadTranslateAndWriteBackUnchanged) {
    for (const char* set : {"/treeplayer_8x8.txt", "/gridplayer_8x8.txt"}) {
        std::ifstream in(std::string(BENCH_DATA) + set);
        ASSERT_TRUE(in) << set;
        const auto all = positions::read_positions(in, 8, 8);
        EXPECT_EQ(all.size(), 50u) << set;
        for (const auto& p : all) {
            EXPECT_EQ(
                positions::from_treeplayer(positions::treeplayer_board(p), p.black_to_move).cells,
                p.cells);
            EXPECT_EQ(positions::from_rules(positions::rules_board(p), positions::side_to_move(p))
                          .black_to_move,
                      p.black_to_move);
            std::ostringstream out;
            positions::write_position(out, p);
            std::istringstream back(out.str());
            EXPECT_EQ(read_single_position(back, 8, 8, nullptr)->cells, p.cells);
        }
    }
}

}  // namespace
