// Whole Swiss runs of the referee binary: seeded random players, stopped
// by SIGTERM and resumed.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "run_referee.h"

namespace {

using referee_test::RefereeRun;
using Words = std::vector<std::string>;

// Each finished game of a results file with its line up to its moves (the
// players, result, reason and length); `lines` counts the finished lines.
// A game a signal interrupted has a line with result "*" too.
std::map<int, std::string> games_of(const std::string& results, std::size_t* lines = nullptr) {
    static const std::regex game(
        R"x(^(\{"game":([0-9]+),[^\[]*"result":"(1-0|0-1|1/2-1/2)"[^\[]*)"moves")x");
    std::map<int, std::string> games;
    std::istringstream text(results);
    std::smatch match;
    for (std::string line; std::getline(text, line);) {
        if (!std::regex_search(line, match, game))
            continue;
        games.emplace(std::stoi(match[2].str()), match[1].str());
        if (lines != nullptr)
            ++*lines;
    }
    return games;
}

// Five seeded random players over three rounds of two games a pairing: a
// run stopped by SIGTERM after its fourth game and started again with the
// same command pairs every round as a run never stopped does, plays no
// finished game again, and sums up the same; one of more rounds is refused.
TEST(SwissRuns, StoppedRunResumesAsAnUnbrokenOne) {
    const std::string dir = referee_test::scratch_dir("SwissRuns");
    Words args{"--quiet", "--tournament", "swiss", "--rounds", "3", "--games", "2"};
    for (const char* seed : {"1", "2", "3", "4", "5"}) {
        args.insert(args.end(), {"--name", std::string("r") + seed,
                                 referee_test::command(RANDOMBOT, {"--seed", seed})});
    }
    const auto with_results = [&](const std::string& path) {
        Words words{"--results", path};
        words.insert(words.end(), args.begin(), args.end());
        return words;
    };
    const std::string whole_path = dir + "/whole.jsonl";
    const RefereeRun whole = referee_test::run_referee(REFEREE, with_results(whole_path));
    ASSERT_EQ(whole.status, 0) << whole.err;
    const auto whole_games = games_of(referee_test::read_file(whole_path));
    ASSERT_EQ(whole_games.size(), 18U);  // 3 rounds of 3 boards (one a bye) of 2 games
    int byes = 0;
    for (const auto& [number, line] : whole_games)
        byes += line.find(R"("reason":"bye")") != std::string::npos ? 1 : 0;
    EXPECT_EQ(byes, 6);
    EXPECT_NE(whole.out.find("Bye in game 3: "), std::string::npos) << whole.out;

    const std::string path = dir + "/r.jsonl";
    pid_t referee = 0;
    bool stopped = false;
    test_support::RunOptions stop;
    stop.started = [&](pid_t pid) { referee = pid; };
    stop.output = [&](const std::string& out) {
        std::size_t finished = 0;
        for (auto at = out.find("Finished game "); at != std::string::npos;
             at = out.find("Finished game ", at + 1))
            ++finished;
        if (!stopped && finished >= 4) {
            stopped = true;
            ::kill(referee, SIGTERM);
        }
    };
    const RefereeRun first = referee_test::run_referee(REFEREE, with_results(path), stop);
    ASSERT_TRUE(stopped) << first.out;
    ASSERT_EQ(first.status, 128 + SIGTERM) << first.out << first.err;
    const auto kept = games_of(referee_test::read_file(path));
    ASSERT_LT(kept.size(), 18U) << "the run ended before the signal came";

    const RefereeRun second = referee_test::run_referee(REFEREE, with_results(path));
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out.substr(0, second.out.find('\n') + 1),
              "Resuming: " + std::to_string(kept.size()) + " of 18 games are in " + path +
                  "; playing the " + std::to_string(18 - kept.size()) + " missing\n");
    for (const auto& [number, line] : kept) {
        EXPECT_EQ(second.out.find("Started game " + std::to_string(number) + " "),
                  std::string::npos)
            << "game " << number << " played again";
    }
    std::size_t lines = 0;
    EXPECT_EQ(games_of(referee_test::read_file(path), &lines), whole_games);
    EXPECT_EQ(lines, 18U) << "each game finished once";
    const auto summary = [](const std::string& out) {
        return out.substr(out.find("Rank  Player"));
    };
    EXPECT_EQ(summary(second.out), summary(whole.out));
    EXPECT_EQ(referee_test::run_referee(REFEREE, {"--merge", path}).out, summary(whole.out));

    Words more = with_results(path);
    more[6] = "4";  // --rounds
    const RefereeRun refused = referee_test::run_referee(REFEREE, more);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("the tournament: swiss 4 rounds here, swiss 3 rounds there"),
              std::string::npos)
        << refused.err;
    std::filesystem::remove_all(dir);
}

// A Swiss run split round by round: --schedule prints the next round's
// jobs from the results so far (none once every round is in), each job
// appends its game, and the merged file sums up as one unbroken run.
TEST(SwissRuns, RoundByRoundSchedulesMergeAsOneRun) {
    const std::string dir = referee_test::scratch_dir("SwissSchedule");
    Words args{"--quiet", "--tournament", "swiss", "--rounds", "3"};
    for (const char* seed : {"1", "2", "3", "4", "5", "6"}) {
        args.insert(args.end(), {"--name", std::string("r") + seed,
                                 referee_test::command(RANDOMBOT, {"--seed", seed})});
    }
    const auto with_results = [&](const std::string& path, Words more) {
        more.insert(more.end(), {"--results", path});
        more.insert(more.end(), args.begin(), args.end());
        return more;
    };
    const RefereeRun whole = referee_test::run_referee(REFEREE, with_results(dir + "/w.jsonl", {}));
    ASSERT_EQ(whole.status, 0) << whole.err;

    const std::string path = dir + "/r.jsonl";
    for (int round = 1; round <= 4; ++round) {
        const RefereeRun schedule =
            referee_test::run_referee(REFEREE, with_results(path, {"--schedule"}));
        ASSERT_EQ(schedule.status, 0) << schedule.err;
        std::istringstream jobs(schedule.out);
        int count = 0;
        for (std::string job; std::getline(jobs, job); ++count) {
            const int first = (round - 1) * 3 + 1;  // three boards a round
            EXPECT_NE(job.find("--only-game " + std::to_string(first + count)), std::string::npos)
                << job;
            const auto ran = test_support::run_process({"/bin/sh", "-c", job}, "");
            EXPECT_EQ(ran.status, 0) << job;
        }
        EXPECT_EQ(count, round <= 3 ? 3 : 0) << "round " << round;
    }
    const auto summary = [](const std::string& out) {
        return out.substr(out.find("Rank  Player"));
    };
    EXPECT_EQ(referee_test::run_referee(REFEREE, {"--merge", path}).out, summary(whole.out));
    std::filesystem::remove_all(dir);
}

}  // namespace
