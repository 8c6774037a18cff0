// Whole runs of the referee binary with more than one game: tournaments of
// three players, games side by side, results files, and a tournament split
// into one job per game, run by GNU parallel and merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "run_referee.h"

namespace {

using referee_test::RefereeRun;
using Words = std::vector<std::string>;

class TournamentRuns : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = referee_test::scratch_dir(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // x and y step back and forth (their games are drawn by repetition); z
    // moves a town hall and loses every game.
    static Words fakes() {
        return {"--name", "x", FAKE_PLAYER,
                "--name", "y", FAKE_PLAYER,
                "--name", "z", referee_test::command(FAKE_PLAYER, {"--mode", "illegal"})};
    }
    // Three seeded random players: real games, the same every time.
    static Words random_players() {
        Words words;
        for (const char* seed : {"1", "2", "3"}) {
            words.insert(words.end(), {"--name", std::string("r") + seed,
                                       referee_test::command(RANDOMBOT, {"--seed", seed})});
        }
        return words;
    }

    // The fake players step back and forth, which only the basic checks
    // allow; randombot keeps every reading.
    static RefereeRun run(Words args) {
        args.insert(args.begin(), {"--quiet", "--rules", "squares"});
        return referee_test::run_referee(REFEREE, args);
    }

    std::string dir_;
};

// The Started and Finished lines, without the reasons.
std::string game_lines(const std::string& out) {
    static const std::regex line("(Started game [^\n]*|Finished game [^:]*: [^ ]*)");
    std::string lines;
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it)
        lines += it->str() + "\n";
    return lines;
}

// The closing summary: everything from the standings' header on.
std::string summary(const std::string& out) {
    const auto at = out.find("Rank  Player");
    return at == std::string::npos ? "" : out.substr(at);
}

// A results file or record without what the clock decides.
std::string without_times(std::string text) {
    for (const char* pattern :
         {R"x("time_(black|white)":[^,]*,)x", R"x("(start|end)":"[^"]*",)x", R"x( \{[0-9.]+s\})x",
          R"x(\[(Date|Game(Start|End)Time) "[^"]*"\])x"})
        text = std::regex_replace(text, std::regex(pattern), "");
    return text;
}

TEST_F(TournamentRuns, RoundRobinAndGauntletPairColoursAndSumUp) {
    const std::string results = dir_ + "/r.jsonl";
    Words args{"--games", "2", "--results", results};
    const Words players = fakes();
    args.insert(args.end(), players.begin(), players.end());
    const RefereeRun robin = run(args);
    ASSERT_EQ(robin.status, 0) << robin.err;
    // Round 1 plays every pairing in order, round 2 again with colours swapped.
    EXPECT_EQ(game_lines(robin.out),
              "Started game 1 of 6 (x vs y)\nFinished game 1 (x vs y): 1/2-1/2\n"
              "Started game 2 of 6 (x vs z)\nFinished game 2 (x vs z): 1-0\n"
              "Started game 3 of 6 (y vs z)\nFinished game 3 (y vs z): 1-0\n"
              "Started game 4 of 6 (y vs x)\nFinished game 4 (y vs x): 1/2-1/2\n"
              "Started game 5 of 6 (z vs x)\nFinished game 5 (z vs x): 0-1\n"
              "Started game 6 of 6 (z vs y)\nFinished game 6 (z vs y): 0-1\n");
    for (const char* expected :
         {"Rank  Player  Points  Games  Wins  Losses  Draws    Score  Rating  95 % interval\n",
          "   1  x          3.0      4     2       0      2   75.0 %  ",
          "   2  y          3.0      4     2       0      2   75.0 %  ",
          "   3  z          0.0      4     0       4      0    0.0 %  ",
          "   1  x         x  1/2  2/2\n   2  y       1/2    x  2/2\n",
          "   3  z       0/2  0/2    x\n",
          "each player\nhas one virtual draw against an average opponent added.\n"})
        EXPECT_NE(robin.out.find(expected), std::string::npos) << expected << robin.out;
    // x and y did the same against everyone: the same rating; z, who lost
    // every game, a finite one from the prior, below theirs.
    const std::regex rating(R"((\S+)  \[(\S+), (\S+)\]\n)");
    std::vector<std::string> cells;
    for (std::sregex_iterator it(robin.out.begin(), robin.out.end(), rating), end; it != end; ++it)
        cells.push_back(it->str());
    ASSERT_EQ(cells.size(), 3U) << robin.out;
    EXPECT_EQ(cells[0], cells[1]);
    EXPECT_EQ(cells[2].find("inf"), std::string::npos) << cells[2];
    EXPECT_EQ(cells[2][0], '-') << cells[2];

    // Every line reads back (or the merge would fail) into the run's summary,
    // and so does the file the merge writes, which ends with the same
    // summary line as the run's.
    const std::string again = dir_ + "/merged.jsonl";
    const RefereeRun merged =
        referee_test::run_referee(REFEREE, {"--merge", results, "--results", again});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, summary(robin.out));
    EXPECT_EQ(referee_test::run_referee(REFEREE, {"--merge", again}).out, merged.out);
    const auto last_line = [](const std::string& text) {
        return text.substr(text.rfind('\n', text.size() - 2) + 1);
    };
    EXPECT_EQ(last_line(referee_test::read_file(again)),
              last_line(referee_test::read_file(results)));

    args = {"--tournament", "gauntlet", "--games", "2"};
    args.insert(args.end(), players.begin(), players.end());
    const RefereeRun gauntlet = run(args);
    EXPECT_EQ(game_lines(gauntlet.out),
              "Started game 1 of 4 (x vs y)\nFinished game 1 (x vs y): 1/2-1/2\n"
              "Started game 2 of 4 (x vs z)\nFinished game 2 (x vs z): 1-0\n"
              "Started game 3 of 4 (y vs x)\nFinished game 3 (y vs x): 1/2-1/2\n"
              "Started game 4 of 4 (z vs x)\nFinished game 4 (z vs x): 0-1\n");
    EXPECT_NE(gauntlet.out.find("   3  z          0.0      2"), std::string::npos) << gauntlet.out;
}

TEST_F(TournamentRuns, GamesSideBySideGiveWhatOneAtATimeGives) {
    std::array<std::string, 2> out;
    std::array<std::string, 2> files;
    for (const int concurrency : {1, 3}) {
        const std::string stem = dir_ + "/c" + std::to_string(concurrency);
        Words args{"--games",   "2",          "--concurrency", std::to_string(concurrency),
                   "--results", stem + ".r",  "--record",      stem + ".rec",
                   "--log",     stem + ".log"};
        const Words players = random_players();
        args.insert(args.end(), players.begin(), players.end());
        const RefereeRun played = run(args);
        ASSERT_EQ(played.status, 0) << played.err;
        out[concurrency == 1 ? 0 : 1] = played.out;
        files[concurrency == 1 ? 0 : 1] = without_times(referee_test::read_file(stem + ".r") +
                                                        referee_test::read_file(stem + ".rec"));
        // Each of the six games logged its result under its own number.
        const std::string log = referee_test::read_file(stem + ".log");
        for (int game = 1; game <= 6; ++game) {
            EXPECT_NE(log.find("game " + std::to_string(game) + " == Finished game " +
                               std::to_string(game) + " "),
                      std::string::npos)
                << log;
        }
    }
    EXPECT_FALSE(summary(out[0]).empty());
    EXPECT_EQ(out[1], out[0]);
    EXPECT_EQ(files[1], files[0]);
}

TEST_F(TournamentRuns, SplitWithGnuParallelMergesToTheSingleRunsStandings) {
    if (std::system("parallel --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed";
    const Words players = random_players();
    Words args{"--games", "2", "--time", "60+1"};
    args.insert(args.end(), players.begin(), players.end());
    const RefereeRun single = run(args);
    ASSERT_EQ(single.status, 0) << single.err;

    const std::string results = dir_ + "/split.jsonl";
    Words schedule_args = args;
    schedule_args.insert(schedule_args.begin(), {"--schedule", "--results", results});
    const RefereeRun schedule = run(schedule_args);
    ASSERT_EQ(schedule.status, 0) << schedule.err;
    referee_test::write_file(dir_ + "/jobs", schedule.out);
    EXPECT_EQ(std::count(schedule.out.begin(), schedule.out.end(), '\n'), 6);
    const std::string jobs = "parallel -j2 < '" + dir_ + "/jobs' > '" + dir_ + "/jobs.out'";
    ASSERT_EQ(std::system(jobs.c_str()), 0) << referee_test::read_file(dir_ + "/jobs.out");

    const RefereeRun merged = referee_test::run_referee(REFEREE, {"--merge", results});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_FALSE(merged.out.empty());
    EXPECT_EQ(merged.out, summary(single.out));
}

}  // namespace
