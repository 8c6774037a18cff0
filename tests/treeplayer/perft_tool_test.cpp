// The perft_treeplayer program: divide lines, total, position files, errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "perft.h"
#include "process_runner.h"
#include "test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

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
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PerftTool, PositionFile) {
    const perft_tp::Position p{Update_board(step(2, 5, 3, 4), initialise()), false};
    const std::string path = ::testing::TempDir() + "perft_tool_position.txt";
    {
        std::ofstream out(path);
        out << "# white to move after S 2 5 M 3 4\n";
        perft_tp::write_position(out, p);
    }
    const auto r = run_process({PERFT_BINARY, "1", path}, "");
    std::string expected;
    for (const Move& m : board_moves(p.board, false))
        expected += move_text(m) + ": 1\n";
    expected += "total: " + std::to_string(board_moves(p.board, false).size()) + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
    std::remove(path.c_str());
}

TEST(PerftTool, BadArgumentsExitTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{PERFT_BINARY},
          {PERFT_BINARY, "x"},
          {PERFT_BINARY, "-1"},
          {PERFT_BINARY, "1", "/nonexistent/position.txt"}}) {
        const auto r = run_process(args, "");
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
        EXPECT_EQ(r.status, 2);
    }
}
