// Whole runs of the referee binary with more than one game: tournaments of
// three players, games side by side, results files, and a tournament split
// into one job per game, run by GNU parallel and merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
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
         {R"x("time_(black|white)":[^,]*,)x", R"x("times":\[[^\]]*\],)x",
          R"x("(start|end)":"[^"]*",)x", R"x( \{[0-9.]+s\})x",
          R"x(\[(Date|Game(Start|End)Time) "[^"]*"\])x", R"x(,"usage_(black|white)":\{[^}]*\})x",
          R"x(\[(Black|White)Usage "[^"]*"\])x"})
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

// Two bots that both chatter on standard error and fault in turn: each
// game's results line names the one whose fault ended it, the standings
// count them, and each player's log holds its own side of each game alone.
TEST_F(TournamentRuns, FaultsAreNamedPerPlayerAndEachGetsOnlyItsOwnLog) {
    // Alice's second move is malformed; Bob leaves before his second move,
    // saying why. Alice faults first in game 1 (she is black), Bob in game 2.
    const std::string alice = referee_test::command(
        FAKE_PLAYER, {"--chatter", "alice thinks", "--mode", "malformed", "--after", "1"});
    const std::string bob = referee_test::command(
        FAKE_PLAYER,
        {"--chatter", "bob thinks", "--mode", "exit", "--after", "1", "--say", "bob gives up"});
    const std::string logs = dir_ + "/logs";
    const RefereeRun played = run({"--games", "2", "--results", dir_ + "/r.jsonl", "--player-logs",
                                   logs, "--name", "alice", alice, "--name", "bob", bob});
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.out.find("Finished game 2 (bob vs alice): 0-1 {black exited: exit status 0 "
                              "(\"bob gives up\")}"),
              std::string::npos)
        << played.out;
    EXPECT_NE(played.out.find("Faults (games lost by the player's own fault):\n"
                              "  alice: 1 malformed-line\n"
                              "  bob: 1 exited\n"),
              std::string::npos)
        << played.out;
    const std::string results = referee_test::read_file(dir_ + "/r.jsonl");
    for (const char* fault :
         {R"("fault":{"player":"alice","side":"black","kind":"malformed-line"})",
          R"("fault":{"player":"bob","side":"black","kind":"exited"})",
          R"("faults":{"alice":{"malformed-line":1},"bob":{"exited":1}})"})
        EXPECT_NE(results.find(fault), std::string::npos) << fault << "\n" << results;
    // A merge of the results file counts them the same way.
    const RefereeRun merged = run({"--merge", dir_ + "/r.jsonl"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(summary(merged.out), summary(played.out));

    const std::map<std::string, std::string> opponent{{"alice", "bob"}, {"bob", "alice"}};
    for (const auto& [name, other] : opponent) {
        for (int game = 1; game <= 2; ++game) {
            SCOPED_TRACE(name + " game " + std::to_string(game));
            const std::string log = referee_test::read_file(logs + "/" + name + "/game-" +
                                                            std::to_string(game) + ".txt");
            const std::string side = (name == "alice") == (game == 1) ? "black " : "white ";
            // The header it received, a move it sent, what it said.
            EXPECT_NE(log.find("-> " + side + name + ": " + (side == "black " ? "1 " : "2 ")),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find("<- " + side + name + ": S "), std::string::npos) << log;
            EXPECT_NE(log.find("!! " + side + name + " stderr: " + name + " thinks"),
                      std::string::npos)
                << log;
            EXPECT_NE(log.find("== " + name + " used cpu "), std::string::npos) << log;
            // Nothing of the opponent: no line to or from it, nothing it
            // wrote on standard error, not even as the reason it lost.
            EXPECT_EQ(log.find(" " + other + ": "), std::string::npos) << log;
            EXPECT_EQ(log.find(other + " thinks"), std::string::npos) << log;
            EXPECT_EQ(log.find(other + " gives up"), std::string::npos) << log;
            EXPECT_EQ(log.find(other + " used"), std::string::npos) << log;
        }
    }
    // The loser's own log says what it did wrong in full.
    EXPECT_NE(referee_test::read_file(logs + "/bob/game-2.txt").find("(\"bob gives up\")"),
              std::string::npos);
    EXPECT_NE(referee_test::read_file(logs + "/alice/game-2.txt").find("0-1 {black exited}"),
              std::string::npos);
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

namespace {

// How many lines of the text start with `prefix`.
int lines_starting(const std::string& text, const std::string& prefix) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        count += line.starts_with(prefix) ? 1 : 0;
    return count;
}

// Each game number of a results file with its finished lines.
std::map<int, int> finished_per_game(const std::string& results) {
    std::map<int, int> count;
    static const std::regex game(R"x(^\{"game":([0-9]+),.*"result":"(1-0|0-1|1/2-1/2)")x");
    std::istringstream lines(results);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, match, game))
            ++count[std::stoi(match[1].str())];
    }
    return count;
}

// A tournament stopped by SIGTERM after its third game and started again
// with the same command plays only the missing games, holds each game once
// and sums up what a run never stopped sums up; a file of another run is
// refused, named and left alone.
TEST_F(TournamentRuns, StoppedRunResumesWithTheSummaryOfAnUnstoppedOne) {
    Words args{"--games", "4", "--quiet", "--rules", "squares"};
    const Words players = random_players();
    args.insert(args.end(), players.begin(), players.end());
    const RefereeRun whole = referee_test::run_referee(REFEREE, args);
    ASSERT_EQ(whole.status, 0) << whole.err;

    const std::string results = dir_ + "/r.jsonl";
    Words resumable = args;
    resumable.insert(resumable.begin(), {"--results", results});
    pid_t referee = 0;
    bool stopped = false;
    test_support::RunOptions stop;
    stop.started = [&](pid_t pid) { referee = pid; };
    stop.output = [&](const std::string& out) {
        if (!stopped && lines_starting(out, "Finished game ") >= 3) {
            stopped = true;
            ::kill(referee, SIGTERM);
        }
    };
    const RefereeRun first = referee_test::run_referee(REFEREE, resumable, stop);
    ASSERT_TRUE(stopped) << first.out;
    ASSERT_EQ(first.status, 128 + SIGTERM) << first.out << first.err;
    const int kept = static_cast<int>(finished_per_game(referee_test::read_file(results)).size());
    ASSERT_GE(kept, 3);
    ASSERT_LT(kept, 12) << "the run ended before the signal came";

    const RefereeRun second = referee_test::run_referee(REFEREE, resumable);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out.substr(0, second.out.find('\n') + 1),
              "Resuming: " + std::to_string(kept) + " of 12 games are in " + results +
                  "; playing the " + std::to_string(12 - kept) + " missing\n");
    EXPECT_EQ(lines_starting(second.out, "Finished game "), 12 - kept);
    EXPECT_EQ(summary(second.out), summary(whole.out));
    const std::string file = referee_test::read_file(results);
    const auto games = finished_per_game(file);
    ASSERT_EQ(games.size(), 12U) << file;
    for (const auto& [game, lines] : games)
        EXPECT_EQ(lines, 1) << "game " << game;
    // The merge of the file agrees, and a third run has nothing to play.
    EXPECT_EQ(referee_test::run_referee(REFEREE, {"--merge", results}).out, summary(whole.out));
    const RefereeRun third = referee_test::run_referee(REFEREE, resumable);
    EXPECT_EQ(third.status, 0) << third.err;
    EXPECT_NE(
        third.out.find("Resuming: 12 of 12 games are in " + results + "; nothing left to play\n"),
        std::string::npos)
        << third.out;
    EXPECT_EQ(lines_starting(third.out, "Started game "), 0);
    EXPECT_EQ(referee_test::read_file(results), file);

    // Another run's command: each difference is named, nothing is written.
    const struct {
        Words change;
        std::string named;
    } others[] = {
        {{"--games", "2"}, "games per pairing: 2 here, 4 there"},
        {{"--plies", "50"}, "the game options: --plies 50 --rules squares here, --rules squares"},
        {{"--tournament", "gauntlet"}, "the tournament: gauntlet here, round-robin there"},
    };
    for (const auto& other : others) {
        Words changed = resumable;
        changed.insert(changed.begin(), other.change.begin(), other.change.end());
        if (other.change[0] == "--games")
            changed.erase(changed.begin() + 4, changed.begin() + 6);  // the first --games 4
        const RefereeRun refused = referee_test::run_referee(REFEREE, changed);
        EXPECT_EQ(refused.status, 2) << refused.out;
        EXPECT_NE(refused.err.find("cannot resume from " + results), std::string::npos)
            << refused.err;
        EXPECT_NE(refused.err.find(other.named), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }
    Words renamed = resumable;
    std::replace(renamed.begin(), renamed.end(), std::string("r3"), std::string("q3"));
    const RefereeRun refused = referee_test::run_referee(REFEREE, renamed);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("the players: r1 r2 q3 here, r1 r2 r3 there"), std::string::npos)
        << refused.err;
    EXPECT_EQ(referee_test::read_file(results), file);
}

// Games side by side show as they start and end, each with its number and
// the run's progress, while the result lines keep game order.
TEST_F(TournamentRuns, ProgressShowsEveryGameSideBySide) {
    Words args{"--games", "2", "--concurrency", "3", "--progress", "--standings-every", "4"};
    const Words players = random_players();
    args.insert(args.end(), players.begin(), players.end());
    const RefereeRun played = run(args);
    ASSERT_EQ(played.status, 0) << played.err;
    static const std::regex over(
        R"(Game ([0-9]) of 6 over \((r[123]) vs (r[123])\): (1-0|0-1|1/2-1/2); ([0-9]) of 6 done, )"
        R"([0-9]+:[0-9]{2} elapsed, [0-9]+:[0-9]{2} to go; r1 [0-9.]+, r2 [0-9.]+, r3 [0-9.]+)"
        R"(; black used cpu [0-9.]+ s, wall [0-9.]+ s, memory [0-9.]+ MB, processes [0-9]+)"
        R"(; white used cpu [0-9.]+ s, wall [0-9.]+ s, memory [0-9.]+ MB, processes [0-9]+)");
    std::set<int> started;
    std::set<int> ended;
    std::set<int> done_counts;
    std::istringstream lines(played.out);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Playing game ")) {
            const int game = std::stoi(line.substr(13));
            EXPECT_TRUE(started.insert(game).second) << line;
            EXPECT_NE(line.find(" of 6 ("), std::string::npos) << line;
        } else if (line.starts_with("Game ")) {
            ASSERT_TRUE(std::regex_match(line, match, over)) << line;
            const int game = std::stoi(match[1].str());
            EXPECT_TRUE(started.contains(game)) << "ended before it started: " << line;
            EXPECT_TRUE(ended.insert(game).second) << line;
            done_counts.insert(std::stoi(match[5].str()));
            // The result shown as the game ends is the one its result line gives.
            const std::string result_line = "Finished game " + match[1].str() + " (" +
                                            match[2].str() + " vs " + match[3].str() +
                                            "): " + match[4].str() + " {";
            EXPECT_NE(played.out.find(result_line), std::string::npos) << result_line;
        }
    }
    EXPECT_EQ(started, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(ended, started);
    EXPECT_EQ(done_counts, started);
    EXPECT_EQ(lines_starting(played.out, "Standings after 4 of 6 games:"), 1) << played.out;
    // Without the progress lines and standings, the output of a plain run.
    Words plain{"--games", "2", "--concurrency", "3"};
    plain.insert(plain.end(), players.begin(), players.end());
    std::string stripped;
    std::istringstream again(played.out);
    for (std::string line; std::getline(again, line);) {
        if (!line.starts_with("Playing game ") && !line.starts_with("Game "))
            stripped += line + '\n';
    }
    stripped.erase(stripped.find("Standings after"),
                   stripped.find("Started game 5") - stripped.find("Standings after"));
    EXPECT_EQ(stripped, run(plain).out);
}

// A split run with a record per game, its jobs run by GNU parallel from
// another folder: every record replays, and replay shows a game from the
// results file as its record shows it.
TEST_F(TournamentRuns, SplitRunKeepsARecordPerGameThatReplays) {
    if (std::system("parallel --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "GNU parallel is not installed";
    const std::string work = dir_ + "/work";
    const std::string elsewhere = dir_ + "/elsewhere";
    // The files the referee writes lie outside the players' folder, `work`.
    std::filesystem::create_directories(dir_ + "/games");
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(elsewhere);
    std::filesystem::copy_file(RANDOMBOT, work + "/bot");
    const std::string script = work + "/split.sh";
    // The schedule is written in `work` with relative paths, and the jobs
    // run in `elsewhere`.
    referee_test::write_file(
        script,
        "set -e\ncd '" + work + "'\n'" + std::string(REFEREE) +
            "' --schedule --quiet --rules squares --time 60+1 --move-time 5 --games 2 "
            "--results ../r.jsonl --record '../games/g{game}.txt' --log '../games/g{game}.log' "
            "--name a './bot --seed 1' --name b './bot --seed 2' --name c "
            "'./bot --seed 3' > jobs\ncd '" +
            elsewhere + "'\nparallel -j2 < '" + work + "/jobs' > jobs.out\n");
    ASSERT_EQ(std::system(("sh '" + script + "'").c_str()), 0)
        << referee_test::read_file(elsewhere + "/jobs.out");
    const std::string jobs = referee_test::read_file(work + "/jobs");
    EXPECT_EQ(jobs.find(" ../r.jsonl"), std::string::npos) << jobs;
    EXPECT_EQ(jobs.find("'./bot"), std::string::npos) << jobs;

    const std::string results = dir_ + "/r.jsonl";
    const RefereeRun merged = referee_test::run_referee(REFEREE, {"--merge", results});
    EXPECT_EQ(merged.status, 0) << merged.err;
    for (int game = 1; game <= 6; ++game) {
        SCOPED_TRACE("game " + std::to_string(game));
        const std::string record = dir_ + "/games/g" + std::to_string(game) + ".txt";
        EXPECT_NE(referee_test::read_file(record).find("[TimeControl \"60+1 move 5\"]"),
                  std::string::npos);
        EXPECT_NE(referee_test::read_file(dir_ + "/games/g" + std::to_string(game) + ".log")
                      .find("game " + std::to_string(game) + " == Finished game"),
                  std::string::npos);
        const auto from_record = test_support::run_process({REPLAY, "--no-color", record}, "");
        const auto from_results = test_support::run_process(
            {REPLAY, "--no-color", "--game", std::to_string(game), results}, "");
        ASSERT_EQ(from_record.status, 0) << from_record.err;
        ASSERT_EQ(from_results.status, 0) << from_results.err;
        // Everything from the starting position on: boards, moves, times,
        // clocks and the result; the tags differ only in the dates.
        const auto positions = [](const std::string& shown) {
            return shown.substr(shown.find("\nstart:"));
        };
        EXPECT_GT(from_record.out.size(), 200U);
        EXPECT_EQ(positions(from_results.out), positions(from_record.out));
    }
    const auto missing = test_support::run_process({REPLAY, "--game", "7", results}, "");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("holds no game 7"), std::string::npos) << missing.err;
}

}  // namespace
