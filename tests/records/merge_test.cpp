// Results files merged into one run: each game once, the finished line
// read first standing, what is missing named, and the run of each game
// said once however many files repeat it.
#include "records/merge.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "records/results_file.h"

namespace {

std::string scratch(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("merge_test_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

records::GameEntry entry(int game, const std::string& result, int scheduled = 0) {
    records::GameEntry e;
    e.game = game;
    e.scheduled = scheduled;
    e.black = game % 2 ? "tree" : "grid";
    e.white = game % 2 ? "grid" : "tree";
    e.result = result;
    e.termination = result == "*" ? "the referee was stopped" : "the ply limit was reached";
    e.reason = e.termination;
    e.moves = {"S 0 7 M 0 6", "S 1 2 M 1 3"};
    e.plies = 2;
    return e;
}

void append(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::app) << text;
}

std::vector<int> numbers(const records::ReadResults& read) {
    std::vector<int> out;
    for (const auto& game : read.games)
        out.push_back(game.game);
    return out;
}

TEST(Merge, ConcurrentAppendersLeaveWholeLines) {
    const std::string path = scratch("append") + "/r.jsonl";
    // A crashed run left half a line; the next writer must not glue onto it.
    std::ofstream(path) << records::game_line(entry(1, "1-0")).substr(0, 30);
    constexpr int kWriters = 4;
    constexpr int kLines = 50;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            records::ResultsFile file;
            bool ok = !file.open(path);
            records::GameEntry e = entry(1, "0-1", kWriters * kLines);
            e.moves.assign(300, "S 1 2 M 1 3");  // a long game: ~4 kB per line
            e.plies = 300;
            for (int i = 0; ok && i < kLines; ++i) {
                e.game = 1 + w * kLines + i;
                ok = !file.append(records::game_line(e));
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
    const auto merged = records::merge_results({path});
    ASSERT_EQ(merged.games.size(), static_cast<std::size_t>(kWriters * kLines));
    ASSERT_EQ(merged.problems.size(), 1U);  // the fragment, now a line of its own
    EXPECT_NE(merged.problems[0].find("line 1: not a JSON object"), std::string::npos);
    for (const auto& game : merged.games)
        EXPECT_EQ(game.moves.size(), 300U) << "a merge keeps every move";
}

// Whichever file it comes in, an unfinished line gives way to a finished
// one in silence; of two finished lines the one read first stands, and the
// note says which and what each held.
TEST(Merge, EachGameOnceTheFinishedLineReadFirstStanding) {
    const std::string dir = scratch("twice");
    const std::string a = dir + "/a.jsonl";
    const std::string b = dir + "/b.jsonl";
    append(a, records::game_line(entry(3, "1-0", 4)) + records::game_line(entry(1, "*", 4)) +
                  records::game_line(entry(2, "0-1", 4)));
    records::GameEntry other = entry(2, "1/2-1/2", 4);
    other.moves = {"S 0 7 M 0 6"};
    other.plies = 1;
    append(b, records::game_line(entry(4, "*", 4)) + records::game_line(entry(1, "1/2-1/2", 4)) +
                  records::game_line(other) + records::game_line(entry(3, "1-0", 4)) +
                  records::game_line(entry(4, "*", 4)));
    const auto merged = records::merge_results({a, b});
    EXPECT_EQ(numbers(merged), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(merged.games[0].result, "1/2-1/2");
    EXPECT_EQ(merged.games[0].origin, b + " line 2");
    EXPECT_EQ(merged.games[1].result, "0-1");
    EXPECT_EQ(merged.games[3].result, "*");
    EXPECT_EQ(merged.problems,
              (std::vector<std::string>{
                  "game 2 appears more than once: kept " + a + " line 3 (0-1), the first read; " +
                      "left out " + b + " line 3 (1/2-1/2)",
                  "game 3 appears more than once: kept " + a + " line 1 (1-0), the first read; " +
                      "left out " + b + " line 4 (1-0), the same game"}));
    EXPECT_EQ(merged.unreadable, 0);
}

// Missing numbers up to the schedule are named, the first twenty of them;
// a file that cannot be read is counted and named.
TEST(Merge, MissingGamesAndUnreadableFilesAreReported) {
    const std::string dir = scratch("gaps");
    const std::string path = dir + "/r.jsonl";
    append(path, records::game_line(entry(2, "1-0", 5)) + records::game_line(entry(4, "0-1", 5)));
    auto merged = records::merge_results({path, dir + "/none.jsonl"});
    EXPECT_EQ(merged.unreadable, 1);
    EXPECT_EQ(merged.problems, (std::vector<std::string>{dir + "/none.jsonl: cannot be read",
                                                         "games missing (3): 1, 3, 5"}));
    // Without a schedule the highest number seen ends the run.
    std::ofstream(path, std::ios::trunc) << records::game_line(entry(30, "1-0"));
    merged = records::merge_results({path});
    std::string first_twenty;
    for (int k = 1; k <= 20; ++k)
        first_twenty += (k > 1 ? ", " : "") + std::to_string(k);
    EXPECT_EQ(merged.problems,
              (std::vector<std::string>{"games missing (29): " + first_twenty + ", ..."}));
    EXPECT_TRUE(records::merge_results({}).problems.empty());
}

// Games of one run in many files point at one description, and a game of
// another run is told apart; the last build line read for a player stands.
TEST(Merge, RunsAreSharedAcrossFilesAndTheLastBuildStands) {
    records::RunInfo run;
    run.players = {"tree", "grid"};
    run.commands = {"/bin/a", "/bin/b"};
    run.tournament = "round-robin";
    run.games = 2;
    records::RunInfo other = run;
    other.games = 3;
    const std::string dir = scratch("runs");
    const std::vector<std::string> paths{dir + "/0.jsonl", dir + "/1.jsonl", dir + "/2.jsonl"};
    append(paths[0], records::build_line({"tree", false, "exited", 1, ""}) +
                         records::run_line(run) + records::game_line(entry(1, "1-0")));
    append(paths[1], records::run_line(run) + records::game_line(entry(2, "0-1")) +
                         records::build_line({"tree", true, "", 2, "ok"}));
    append(paths[2], records::run_line(other) + records::game_line(entry(1, "0-1")));
    const auto merged = records::merge_results(paths);
    ASSERT_EQ(numbers(merged), (std::vector<int>{1, 2}));
    ASSERT_TRUE(merged.games[0].run);
    EXPECT_EQ(merged.games[0].run, merged.games[1].run);
    EXPECT_EQ(*merged.games[0].run, run);
    ASSERT_EQ(merged.problems.size(), 1U);
    EXPECT_EQ(merged.problems[0], "game 1 appears more than once: kept " + paths[0] +
                                      " line 3 (1-0), the first read; left out " + paths[2] +
                                      " line 2 (0-1), from another run (the games per pairing: "
                                      "2 here, 3 there)");
    EXPECT_EQ(merged.builds, (std::vector<records::Build>{{"tree", true, "", 2, "ok"}}));
}

}  // namespace
