// The perft_treeplayer program: divide lines, total, timing, position files,
// --help and argument errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>

#include "perft/treeplayer.h"
#include "positions/treeplayer_cells.h"
#include "process_runner.h"
#include "tests/treeplayer/test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;
using test_support::run_process;

TEST(PerftTool, DivideFromTheStart) {
    const auto r = run_process({PERFT_BINARY, "2"}, "");
    std::string expected;
    std::uint64_t total = 0;
    for (const auto& line : perft_tp::divide(initialise(), true, 2)) {
        expected += perft_tp::format_divide_line(line) + "\n";
        total += line.count;
    }
    expected += "total: " + std::to_string(total) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.out.substr(0, 17), "S 0 5 M 0 4: 37\nS");
    EXPECT_EQ(total, 1369u);
    // Timing goes to stderr, one line, so that stdout stays comparable.
    EXPECT_TRUE(std::regex_match(
        r.err,
        std::regex("perft_treeplayer: 1369 nodes in [0-9]+\\.[0-9]{3} s(, [0-9]+ nodes/s)?\n")))
        << r.err;
    EXPECT_EQ(r.status, 0);
}

TEST(PerftTool, PositionFile) {
    const Board board = Update_board(step(2, 5, 3, 4), initialise());
    const std::string path = ::testing::TempDir() + "perft_tool_position.txt";
    {
        std::ofstream out(path);
        out << "# white to move after S 2 5 M 3 4\n";
        positions::write_position(out, positions::from_treeplayer(board, false));
    }
    const auto r = run_process({PERFT_BINARY, "--position", path, "1"}, "");
    std::string expected;
    for (const Move& m : board_moves(board, false))
        expected += move_text(m) + ": 1\n";
    expected += "total: " + std::to_string(board_moves(board, false).size()) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
    std::remove(path.c_str());
}

TEST(PerftTool, HelpAndBadArguments) {
    const auto help = run_process({PERFT_BINARY, "--help"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: perft_treeplayer"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    const std::string bin = PERFT_BINARY;
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{bin},
             {bin, "x"},
             {bin, "-1"},
             {bin, "13"},
             {bin, "1", "2"},
             {bin, "--bogus", "1"},
             {bin, "--rows", "8", "1"},  // rows without columns
             {bin, "--rows", "10", "--columns", "10", "1"},
             {bin, "--rows", "8", "--columns", "7", "1"},
             {bin, "--position", "/nonexistent/position.txt", "1"},
         }) {
        const auto r = run_process(args, "");
        EXPECT_EQ(r.out, "") << args.back();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("perft_treeplayer: ", 0), 0u) << r.err;
        EXPECT_EQ(r.status, 2) << r.err;
    }
}
