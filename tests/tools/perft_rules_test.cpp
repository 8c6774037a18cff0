// The perft_rules program: its output is the library's divide, it reads
// position files, and every bad argument ends it with status 2 and one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "perft/rules.h"
#include "process_runner.h"
#include "rules/legal_moves.h"
#include "tests/rules/random_positions.h"

namespace {

using rules::Board;
using rules::Reading;
using rules::Side;
using test_support::run_process;

std::string expected_output(const Board& board, Side side, Reading reading, int depth) {
    std::string text;
    std::uint64_t total = 0;
    for (const auto& line : perft_rules::divide(board, side, reading, depth)) {
        text += protocol::format_move(line.move) + ": " + std::to_string(line.count) + "\n";
        total += line.count;
    }
    return text + "total: " + std::to_string(total) + "\n";
}

TEST(PerftRulesTool, PrintsTheLibrarysDivideAndTotal) {
    const auto tree = run_process({PERFT_RULES_BINARY, "--rules", "treeplayer", "2"}, "");
    EXPECT_EQ(tree.status, 0);
    EXPECT_EQ(tree.out,
              expected_output(Board::starting(8, 8), Side::Black, Reading::Treeplayer, 2));
    const auto grid = run_process(
        {PERFT_RULES_BINARY, "--rules", "gridplayer", "--rows", "9", "--columns", "7", "3"}, "");
    EXPECT_EQ(grid.status, 0);
    EXPECT_EQ(grid.out,
              expected_output(Board::starting(9, 7), Side::Black, Reading::Gridplayer, 3));
}

TEST(PerftRulesTool, StartsFromAPositionFile) {
    std::mt19937 rng(5);
    const Board board = rules_test::scattered_position(rng, 6, 5);
    const std::string path = testing::TempDir() + "perft_rules_position.txt";
    {
        std::ofstream out(path);
        out << "# a scatter\n\nwhite\n";
        for (char c : rules_test::picture(board))
            out << c << (c == '\n' ? "" : " ");
    }
    const auto r = run_process({PERFT_RULES_BINARY, "--rules=gridplayer", "--rows=6", "--columns=5",
                                "--position", path, "2"},
                               "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_output(board, Side::White, Reading::Gridplayer, 2));
    std::remove(path.c_str());
}

TEST(PerftRulesTool, HelpExitsZeroBadArgumentsExitTwoWithOneLine) {
    const auto help = run_process({PERFT_RULES_BINARY, "--help"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find(rules::reading_differences()), std::string::npos);

    const std::string bad_file = testing::TempDir() + "perft_rules_bad.txt";
    std::ofstream(bad_file) << "black\nW w W\n";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--rules", "referee", "3"},
        {"--rules", "treeplayer", "--rows", "10", "--columns", "10", "3"},
        {"--rules", "gridplayer", "--rows", "5", "--columns", "8", "3"},
        {"--rules", "gridplayer", "--rows", "9", "3"},
        {"--rules", "gridplayer", "three"},
        {"--rules", "gridplayer", "3", "4"},
        {"--rules", "gridplayer", "--position", "/nonexistent/position.txt", "1"},
        {"--rules", "gridplayer", "--position", bad_file, "1"},
    };
    for (std::vector<std::string> args : cases) {
        args.insert(args.begin(), PERFT_RULES_BINARY);
        const auto r = run_process(args, "");
        SCOPED_TRACE(args.size() > 1 ? args[1] + " ... " + args.back() : "no arguments");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    std::remove(bad_file.c_str());
}

}  // namespace
