// The tools' shared command-line convention, program by program: --help on
// standard output with status 0, and one line on standard error with status 2
// for arguments the program refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace {

using test_support::run_process;

struct Tool {
    std::string name;
    std::string binary;
    std::vector<std::vector<std::string>> refused;  // argument lists it must refuse
};

const std::vector<Tool>& tools() {
    static const std::vector<Tool> all = {
        {"positions_gridplayer", POSITIONS_GRIDPLAYER_BINARY, {{}, {"11", "30"}, {"8", "-1"}}},
        {"positions_treeplayer", POSITIONS_TREEPLAYER_BINARY, {{"x"}, {"1", "2", "3"}}},
        {"bench_signature", BENCH_SIGNATURE_BINARY, {{"-", "8x8", "x"}, {"a", "b", "c", "d"}}},
        {"turns_treeplayer", TURNS_TREEPLAYER_BINARY, {{"/nonexistent/positions.txt"}}},
        {"perft_gridplayer",
         PERFT_GRIDPLAYER_BINARY,
         {{}, {"--rows", "11", "--columns", "6", "1"}}},
    };
    return all;
}

TEST(ToolCommandLine, HelpGoesToStandardOutputWithStatusZero) {
    for (const Tool& tool : tools()) {
        const auto r = run_process({tool.binary, "--help"}, "");
        EXPECT_EQ(r.status, 0) << tool.name;
        EXPECT_NE(r.out.find("Usage: " + tool.name), std::string::npos) << r.out;
        EXPECT_EQ(r.err, "") << tool.name;
    }
}

TEST(ToolCommandLine, RefusedArgumentsGiveOneLineAndStatusTwo) {
    for (const Tool& tool : tools()) {
        std::vector<std::vector<std::string>> cases = tool.refused;
        cases.push_back({"--bogus"});
        for (std::vector<std::string> args : cases) {
            args.insert(args.begin(), tool.binary);
            const auto r = run_process(args, "");
            SCOPED_TRACE(tool.name + " with " + std::to_string(args.size() - 1) + " words");
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(r.err.rfind(tool.name + ": ", 0), 0u) << r.err;
        }
    }
}

// Every program's --help, the referee's included, is one line per option
// and a few of prose; the long explanations are in docs/.
TEST(ToolCommandLine, EveryHelpFitsOnAScreen) {
    for (const char* binary :
         {REFEREE_BINARY, REPLAY_BINARY, EXPLAIN_BINARY, RANDOMBOT_BINARY, PERFT_TREEPLAYER_BINARY,
          PERFT_GRIDPLAYER_BINARY, PERFT_RULES_BINARY, POSITIONS_TREEPLAYER_BINARY,
          POSITIONS_GRIDPLAYER_BINARY, TURNS_TREEPLAYER_BINARY, BENCH_SIGNATURE_BINARY}) {
        const auto r = run_process({binary, "--help"}, "");
        EXPECT_EQ(r.status, 0) << binary;
        std::istringstream lines(r.out);
        int options = 0;
        int prose = 0;
        for (std::string line; std::getline(lines, line);)
            ++(line.rfind("  -", 0) == 0 ? options : prose);
        EXPECT_LE(prose, 14) << r.out;
        EXPECT_LE(options + prose, 60) << r.out;
    }
}

// The generator's first line names the command that makes the same file.
TEST(ToolCommandLine, GeneratedSetsNameTheirCommand) {
    const auto r = run_process({POSITIONS_GRIDPLAYER_BINARY, "6", "2", "1", "3"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("# 1 gridplayer positions, 6x6, 2 random plies: "
                          "positions_gridplayer 6 2 1 3\n",
                          0),
              0u)
        << r.out;
}

}  // namespace
