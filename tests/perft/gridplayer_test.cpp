// gridplayer's perft: positions reached with the colours alternating, black
// first, from the starting positions; and the command on a position file.
#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <sstream>

#include "perft/gridplayer.h"
#include "positions/gridplayer_cells.h"
#include "tests/gridplayer/support.h"

namespace {

using namespace gp_test;
using perft_gridplayer::divide;
using perft_gridplayer::perft;

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return perft_command::run(perft_gridplayer::perftTool(), argc, argv, out, err);
}

TEST(Perft, StartingPositionCounts) {
    struct Row {
        int size;
        std::uint64_t counts[4];
    };
    // Depth 2 on 8 x 8 is 37 * 37 - 7: seven black steps to row 4 land on a
    // white cannon's second square and take away its far shot.
    const Row table[] = {
        {8, {37, 1362, 48830, 1744519}},
        {10, {47, 2209, 101708, 4682851}},
    };
    for (const Row& row : table) {
        useBoard(row.size, row.size, 1);
        Grid g = startGrid();
        std::int64_t live = liveNodeCount;
        for (int depth = 1; depth <= 4; ++depth) {
            EXPECT_EQ(perft(g.ptr(), depth, true), row.counts[depth - 1])
                << row.size << "x" << row.size << " depth " << depth;
        }
        EXPECT_EQ(liveNodeCount, live);
    }
}

TEST(Perft, DivideSplitsTheTotalByRootMoveInGenerationOrder) {
    useBoard(8, 8, 1);
    Grid g = startGrid();
    auto lines = divide(g.ptr(), 3, true);
    ASSERT_EQ(lines.size(), 37u);
    EXPECT_EQ(lines.front().move, "S 0 5 M 0 4");
    std::uint64_t sum = std::accumulate(lines.begin(), lines.end(), std::uint64_t{0},
                                        [](std::uint64_t s, const auto& l) { return s + l.count; });
    EXPECT_EQ(sum, perft(g.ptr(), 3, true));
    // White first from the same position is the mirror count.
    EXPECT_EQ(perft(g.ptr(), 3, false), perft(g.ptr(), 3, true));
}

TEST(PositionFile, ReadsTheStartAndRejectsMalformedFiles) {
    useBoard(8, 8, 1);
    Grid g = startGrid();
    std::istringstream start(
        "# the 8 x 8 start, white to move\n"
        "white\n"
        "W w W w W w W w\n"
        ". w . w . w . w\n"
        ".w.w.w.w\r\n"
        "\n"
        "........\n"
        "........\n"
        "b . b . b . b .\n"
        "b . b . b . b .\n"
        "b B b B b B b B\n");
    std::string why;
    const auto pos = positions::read_single_position(start, 8, 8, &why);
    ASSERT_TRUE(pos) << why;
    EXPECT_FALSE(pos->black_to_move);
    const std::vector<int> cells = positions::gridplayer_cells(*pos);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            EXPECT_EQ(cells[static_cast<std::size_t>(i * 8 + j)], g.at(i, j));
        }
    }
    const char* bad[] = {
        "",                    // nothing
        "red\n",               // no such side
        "black\n........\n",   // too few rows
        "black\n.......\n",    // short row
        "black\n.........\n",  // long row
        "black\n...x....\n",   // unknown cell
    };
    for (const char* text : bad) {
        std::istringstream in(text);
        EXPECT_FALSE(positions::read_single_position(in, 8, 8, &why)) << text;
        EXPECT_FALSE(why.empty());
    }
}

TEST(PositionFile, CommandCountsFromAFile) {
    std::string path = ::testing::TempDir() + "perft_position.txt";
    {
        std::ofstream f(path);
        f << "black\n";
        for (int i = 0; i < 6; ++i) {
            f << (i == 3 ? "..b..." : "......") << '\n';
        }
    }
    const char* argv[] = {"perft_gridplayer", "--rows",     "6", "--columns", "6",
                          "--position",       path.c_str(), "1"};
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(8, argv, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "S 2 3 M 1 2: 1\nS 2 3 M 2 2: 1\nS 2 3 M 3 2: 1\ntotal: 3\n");
    EXPECT_EQ(err.str().rfind("perft_gridplayer: 3 nodes in ", 0), 0u) << err.str();
    // Sizes gridplayer cannot play, and a file of another size than asked.
    for (const char* rows : {"5", "11"}) {
        const char* badArgs[] = {"perft_gridplayer", "--rows", rows, "--columns", "6", "1"};
        std::ostringstream badErr;
        EXPECT_EQ(run(6, badArgs, out, badErr), 2) << rows;
        EXPECT_NE(badErr.str().find("6..10 rows"), std::string::npos) << badErr.str();
    }
    const char* wrongSize[] = {"perft_gridplayer", "--position", path.c_str(), "1"};
    std::ostringstream sizeErr;
    EXPECT_EQ(run(4, wrongSize, out, sizeErr), 2);
    EXPECT_NE(sizeErr.str().find(path + ": line 2 (row 0): 6 cells, expected 8"), std::string::npos)
        << sizeErr.str();
}

}  // namespace
