// `referee --check BOT`: a good bot passes every line; each bot with one of
// the usual mistakes fails the line about it, with its evidence and hint,
// and nothing it did right.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fake_game.h"
#include "scripted_bots.h"

namespace {

using referee_test::BotFault;

class Check : public referee_test::ScriptedBots {
  protected:
    referee_test::RefereeRun check(BotFault fault, std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--sandbox", sandbox(), "--check",
                                       referee_test::write_bot(dir_, "bot.py", fault)});
        return referee_test::run_referee(REFEREE, options);
    }
};

// The lines of the checklist that start with `mark`.
std::vector<std::string> lines_marked(const std::string& out, const std::string& mark) {
    std::vector<std::string> found;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with(mark))
            found.push_back(line);
    }
    return found;
}

TEST_P(Check, AGoodBotPassesEveryLineOnAnyBoard) {
    for (const std::vector<std::string>& board :
         {std::vector<std::string>{},
          std::vector<std::string>{"--rows", "10", "--columns", "12"}}) {
        const auto run = check(BotFault::None, board);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find(board.empty() ? "on 8x8 with 10 s a side" : "on 10x12"),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(lines_marked(run.out, "ok    ").size(), 6U) << run.out;
        EXPECT_NE(run.out.find("All 6 checks passed."), std::string::npos);
        EXPECT_EQ(referee_test::without_reveal_notice(run.err), "");
    }
}

TEST_P(Check, EachUsualMistakeFailsItsOwnLine) {
    struct Case {
        BotFault fault;
        std::vector<std::string> options;
        std::vector<std::string> failed;  // the start of each failing line
        std::string evidence;             // in the first of them
    };
    const Case cases[] = {
        {BotFault::Unflushed,
         // The clock would take half an hour: the check stops at the notice.
         {"--time", "1000"},
         {"FAIL  flushes its moves"},
         "blocked reading its input with nothing to read"},
        {BotFault::DebugOnStdout,
         {},
         {"FAIL  writes only move lines on standard output"},
         "black wrote a malformed move line: \"my move: S"},
        {BotFault::Crashes,
         {},
         {"FAIL  plays legal moves to the end of the game"},
         "ZeroDivisionError"},
        {BotFault::StaysAfterInput,
         {},
         {"FAIL  leaves on end of input"},
         "after end of input; the referee ended it"},
        {BotFault::Slow, {"--time", "1"}, {"FAIL  moves within its clock"}, "ran out of time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failed.back());
        const auto run = check(c.fault, c.options);
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        std::vector<std::string> failed = lines_marked(run.out, "FAIL  ");
        ASSERT_EQ(failed.size(), c.failed.size()) << run.out;
        for (std::size_t i = 0; i < failed.size(); ++i)
            EXPECT_TRUE(failed[i].starts_with(c.failed[i])) << failed[i];
        EXPECT_NE(failed.back().find(c.evidence), std::string::npos) << run.out;
        // Every failing line says what to change.
        EXPECT_EQ(lines_marked(run.out, "      hint: ").size(), failed.size()) << run.out;
        EXPECT_NE(run.out.find(" checks failed"), std::string::npos);
    }
}

TEST_P(Check, TheUnflushedBotHearsTheHintOnItsOwnStandardErrorToo) {
    const auto run = check(BotFault::Unflushed);
    EXPECT_EQ(run.status, 1);
    for (const char* side : {"black", "white"}) {
        EXPECT_NE(run.err.find(std::string("referee: ") + side +
                               " is waiting for input on its own turn: its move is probably "
                               "still in an output buffer; flush after every move\n"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_NE(run.out.find("      hint: its move is probably still in an output buffer; flush "
                           "after every move"),
              std::string::npos);
}

// A JVM runs a score of threads besides the one that reads: all asleep
// while the move sits in the writer's buffer.
TEST_P(Check, AJavaBotThatForgetsToFlushIsToldSo) {
    if (std::system("java -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no JDK installed";
    const std::string source = dir_ + "/Bot.java";
    referee_test::write_file(source, R"(
import java.io.*;
public class Bot {
    public static void main(String[] args) throws IOException {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in));
        PrintWriter out = new PrintWriter(new BufferedWriter(new OutputStreamWriter(System.out)));
        String header = in.readLine();
        boolean black = header.startsWith("1");
        if (!black && in.readLine() == null) return;
        out.println(black ? "S 0 5 M 0 4" : "S 1 2 M 1 3");
        while (in.readLine() != null) {}
    }
})");
    const auto run =
        referee_test::run_referee(REFEREE, {"--sandbox", sandbox(), "--check", "java " + source});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const auto failed = lines_marked(run.out, "FAIL  ");
    ASSERT_EQ(failed.size(), 1U) << run.out;
    EXPECT_TRUE(failed[0].starts_with("FAIL  flushes its moves: as black: blocked reading"))
        << run.out;
    EXPECT_NE(failed[0].find("; as white: blocked reading"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Sandbox, Check, ::testing::Values("on", "off"));

}  // namespace
