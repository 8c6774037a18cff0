#include "referee/results.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "referee/pairings.h"
#include "referee/tournament.h"

namespace {

using referee::GameEntry;

std::string scratch(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("results_test_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// A three-player round robin, twice per pairing, with seeded results and
// awkward names, as a live run would produce it.
std::vector<GameEntry> played_games(unsigned seed) {
    const std::vector<std::string> names{"tree \"player\"", "grid\tplayer", "caf\xc3\xa9 bot"};
    std::mt19937 random(seed);
    const char* results[] = {"1-0", "0-1", "1/2-1/2", "*"};
    std::vector<GameEntry> games;
    for (const auto& g : referee::schedule_games(3, referee::TournamentKind::RoundRobin, 2)) {
        GameEntry e;
        e.game = g.number;
        e.scheduled = 6;
        e.black = names[g.black];
        e.white = names[g.white];
        e.result = results[random() % 4];
        e.reason = "black exited";
        e.termination = "black exited: status 3";
        e.plies = static_cast<int>(random() % 5);
        for (int i = 0; i < e.plies; ++i)
            e.moves.push_back("S 1 " + std::to_string(i) + " M 1 3");
        e.time_black = 0.125 * static_cast<double>(random() % 100);
        e.time_white = 1.5;
        e.start = "2026-12-07T10:25:52.123Z";
        e.end = "2026-12-07T10:26:01.000Z";
        games.push_back(e);
    }
    return games;
}

std::string summary_of(const std::vector<GameEntry>& games) {
    return referee::summary_text(
        referee::compute_standings(referee::players_in_order(games), games));
}

TEST(Results, GameLinesReadBackFieldForField) {
    const auto games = played_games(7);
    std::string text;
    for (const auto& g : games)
        text += referee::game_line(g);
    const auto standings = referee::compute_standings(referee::players_in_order(games), games);
    text += referee::summary_line(standings, referee::SprtSettings{});
    std::istringstream in(text);
    const auto read = referee::read_results(in, "r.jsonl");
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.games.size(), games.size());
    for (std::size_t i = 0; i < games.size(); ++i) {
        const auto& a = games[i];
        const auto& b = read.games[i];
        EXPECT_EQ(std::tie(a.game, a.black, a.white, a.result, a.termination, a.reason, a.plies,
                           a.moves, a.time_black, a.time_white, a.start, a.end, a.scheduled),
                  std::tie(b.game, b.black, b.white, b.result, b.termination, b.reason, b.plies,
                           b.moves, b.time_black, b.time_white, b.start, b.end, b.scheduled));
    }
}

TEST(Results, DamagedLinesAreReportedAndSkipped) {
    const auto games = played_games(3);
    GameEntry same_player = games[0];
    same_player.white = same_player.black;
    const std::string torn = referee::game_line(games[1]).substr(0, 40);
    std::istringstream in(referee::game_line(games[0]) + "\n  \n" + "not json\n" +
                          "{\"game\": 2}\n" + referee::game_line(same_player) +
                          "{\"summary\": {}}\n" + torn);
    const auto read = referee::read_results(in, "r.jsonl");
    ASSERT_EQ(read.games.size(), 1U);
    ASSERT_EQ(read.problems.size(), 4U);
    EXPECT_NE(read.problems[0].find("r.jsonl line 4: not a JSON object"), std::string::npos);
    EXPECT_NE(read.problems[1].find("line 5:"), std::string::npos);
    EXPECT_NE(read.problems[2].find("two named players"), std::string::npos);
    EXPECT_NE(read.problems[3].find("line 8: torn last line"), std::string::npos);
}

TEST(Results, ConcurrentAppendersLeaveWholeLines) {
    const std::string path = scratch("append") + "/r.jsonl";
    // A crashed run left half a line; the next writer must not glue onto it.
    std::ofstream(path) << referee::game_line(played_games(1)[0]).substr(0, 30);
    constexpr int kWriters = 4;
    constexpr int kLines = 50;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            referee::ResultsFile file;
            bool ok = !file.open(path);
            GameEntry e = played_games(w)[0];
            e.moves.assign(300, "S 1 2 M 1 3");  // a long game: ~4 kB per line
            e.scheduled = kWriters * kLines;
            for (int i = 0; ok && i < kLines; ++i) {
                e.game = 1 + w * kLines + i;
                ok = !file.append(referee::game_line(e));
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto merged = referee::merge_results({path});
    ASSERT_EQ(merged.games.size(), static_cast<std::size_t>(kWriters * kLines));
    ASSERT_EQ(merged.problems.size(), 1U);  // the fragment, now a line of its own
    EXPECT_NE(merged.problems[0].find("line 1: not a JSON object"), std::string::npos);
}

TEST(Results, MergedFilesPrintWhatTheLiveRunPrinted) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const auto games = played_games(seed);
        const std::string live = summary_of(games);
        // Jobs finish in any order and write to several files; one job ran
        // twice and another never ran.
        auto shuffled = games;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
        const std::string dir = scratch("merge" + std::to_string(seed));
        const std::vector<std::string> paths{dir + "/part0.jsonl", dir + "/part1.jsonl",
                                             dir + "/part2.jsonl"};
        for (std::size_t i = 0; i < shuffled.size(); ++i)
            std::ofstream(paths[i % 3], std::ios::app) << referee::game_line(shuffled[i]);
        EXPECT_EQ(summary_of(referee::merge_results(paths).games), live);

        GameEntry rerun = games[2];
        rerun.result = rerun.result == "1-0" ? "0-1" : "1-0";
        std::ofstream(paths[2], std::ios::app) << referee::game_line(rerun);
        const auto merged = referee::merge_results(paths);
        EXPECT_EQ(summary_of(merged.games), live);
        ASSERT_EQ(merged.problems.size(), 1U);
        EXPECT_NE(merged.problems[0].find("game 3 appears more than once"), std::string::npos);

        std::filesystem::remove(paths[1]);
        const auto partial = referee::merge_results(paths);
        EXPECT_NE(partial.problems.front().find("cannot be read"), std::string::npos);
        std::vector<int> lost;  // what the removed file held, but game 3 ran twice
        for (std::size_t i = 1; i < shuffled.size(); i += 3) {
            if (shuffled[i].game != 3)
                lost.push_back(shuffled[i].game);
        }
        std::sort(lost.begin(), lost.end());
        std::string expected = "games missing (" + std::to_string(lost.size()) + "): ";
        for (std::size_t i = 0; i < lost.size(); ++i)
            expected += (i ? ", " : "") + std::to_string(lost[i]);
        EXPECT_EQ(partial.problems.back(), expected);
    }
}

TEST(Results, EntryFromAPlayedGame) {
    referee::GameResult result;
    result.outcome = {referee::EndReason::TownHallsLost, referee::Side::White, ""};
    result.moves = {{referee::Side::Black, "S 0 5 M 0 4", 0.25},
                    {referee::Side::White, "S 1 2 M 1 3", 1.0},
                    {referee::Side::Black, "S 0 4 M 0 3", 0.5}};
    result.started = std::chrono::system_clock::time_point(std::chrono::milliseconds(1500));
    result.ended = result.started + std::chrono::hours(25);
    const auto e = referee::make_entry(4, 6, "tree", "grid", result);
    EXPECT_EQ(e.result, "1-0");
    EXPECT_EQ(e.reason, "white lost its town halls");
    EXPECT_EQ(e.plies, 3);
    EXPECT_EQ(e.moves[2], "S 0 4 M 0 3");
    EXPECT_EQ(e.time_black, 0.75);
    EXPECT_EQ(e.time_white, 1.0);
    EXPECT_EQ(e.start, "1970-01-01T00:00:01.500Z");
    EXPECT_EQ(e.end, "1970-01-02T01:00:01.500Z");
}

}  // namespace

namespace {

TEST(Results, MergeExitStatusSaysHowCompleteTheResultsAre) {
    const auto games = played_games(5);
    const std::string dir = scratch("status");
    const std::string whole = dir + "/whole.jsonl";
    const std::string gappy = dir + "/gappy.jsonl";
    for (const auto& g : games) {
        std::ofstream(whole, std::ios::app) << referee::game_line(g);
        if (g.game != 6)
            std::ofstream(gappy, std::ios::app) << referee::game_line(g);
    }
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(referee::run_merge({whole}, std::nullopt, out, errors), 0);
    EXPECT_EQ(out.str(), summary_of(games));
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(referee::run_merge({gappy}, std::nullopt, out, errors), 1);
    EXPECT_EQ(errors.str(), "referee: games missing (1): 6\n");
    EXPECT_EQ(referee::run_merge({whole, dir + "/none.jsonl"}, std::nullopt, out, errors), 2);
}

}  // namespace
