// The position file of letters: reading several positions, rejecting
// malformed ones, and both players' tools agreeing on what letters mean.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gridplayer/gridplayer.h"
#include "perft.h"
#include "tools/perft_common/position_file.h"
#include "tools/perft_gridplayer/perft.h"
#include "treeplayer/cannon_list.h"

namespace {

using position_file::read_position;
using position_file::read_single_position;

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
    position_file::write_position(out, *first);
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

// Both tools read the same file, so a letter must name the same piece in
// both programs' codes, and each program's own start must read the same.
TEST(PositionFile, BothPlayersToolsAgreeOnLetters) {
    const auto treeplayer_start = perft_tp::perft_tool().start(8, 8);
    const auto gridplayer_start = perft_gridplayer::perftTool().start(8, 8);
    EXPECT_EQ(treeplayer_start.cells, gridplayer_start.cells);
    EXPECT_EQ(treeplayer_start.cells.substr(0, 16), "WwWwWwWw.w.w.w.w");
    EXPECT_EQ(perft_tp::from_letters(treeplayer_start).board, initialise());
    std::ostringstream text;
    position_file::write_position(text, gridplayer_start);
    std::istringstream in(text.str());
    perft_gridplayer::Position codes;
    std::string why;
    ASSERT_TRUE(perft_gridplayer::readPosition(in, 8, 8, codes, &why)) << why;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            EXPECT_EQ(codes.cells[static_cast<std::size_t>(i * 8 + j)], board[i][j]) << i << j;
        }
    }
}

TEST(PositionFile, BenchSetsReadAndWriteBackUnchanged) {
    for (const char* set : {"/treeplayer_8x8.txt", "/gridplayer_8x8.txt"}) {
        std::ifstream in(std::string(BENCH_DATA) + set);
        ASSERT_TRUE(in) << set;
        std::string why;
        int count = 0;
        while (auto letters = read_position(in, 8, 8, &why)) {
            EXPECT_EQ(perft_tp::to_letters(perft_tp::from_letters(*letters)).cells, letters->cells);
            ++count;
        }
        EXPECT_TRUE(why.empty()) << set << ": " << why;
        EXPECT_EQ(count, 50) << set;
    }
}

}  // namespace
