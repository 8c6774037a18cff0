// The results line: a game's line reads back as written, a line for game N
// becomes the record of game N with the finished line preferred, and a line
// the reader cannot trust is refused with why.
#include "records/results.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <variant>

namespace {

records::RunInfo a_run() {
    records::RunInfo run;
    run.players = {"tree \"player\"", "grid"};
    run.commands = {"/bin/a", "/bin/b"};
    run.tournament = "round-robin";
    run.rows = 10;
    run.columns = 9;
    run.time_control = {60, 2, 5};
    return run;
}

records::GameEntry entry(int game, const std::string& result) {
    records::GameEntry e;
    e.game = game;
    e.black = "tree \"player\"";
    e.white = "grid";
    e.result = result;
    e.termination = result == "*" ? "the referee was stopped" : "white lost its town halls";
    e.reason = e.termination;
    e.moves = {"S 0 7 M 0 6", "S 1 2 M 1 3"};
    e.plies = 2;
    e.times = {0.125, 2};
    e.time_black = 0.125;
    e.time_white = 2;
    e.start = "2026-12-07T10:25:52.123Z";
    e.end = "2026-12-07T10:25:54.250Z";
    e.scheduled = 4;
    e.run = std::make_shared<const records::RunInfo>(a_run());
    e.usage = {records::PlayerUsage{0.5, 1.25, std::size_t{3} << 20U, 4},
               records::PlayerUsage{2, 2.5, 0, 0}};
    e.fault = records::Fault{"grid", "white", "malformed-line"};
    return e;
}

records::GameEntry read_back(const std::string& line) {
    auto read = records::read_game_line(line);
    if (auto* problem = std::get_if<std::string>(&read))
        ADD_FAILURE() << *problem;
    return std::holds_alternative<records::GameEntry>(read) ? std::get<records::GameEntry>(read)
                                                            : records::GameEntry{};
}

TEST(ResultsLine, ReadsBackWhatItWrites) {
    const std::string line = records::game_line(entry(3, "1-0"));
    EXPECT_EQ(line.back(), '\n');
    // The run is the run line's to say, not every game's.
    EXPECT_EQ(line.find("\"run\""), std::string::npos) << line;
    const records::GameEntry back = read_back(line);
    EXPECT_EQ(records::game_line(back), line);
    EXPECT_FALSE(back.run);
    // What each player used, and the record a results line stands for.
    ASSERT_TRUE(back.usage);
    EXPECT_EQ((*back.usage)[0].peak_memory, std::size_t{3} << 20U);
    EXPECT_EQ((*back.usage)[1].cpu_seconds, 2.0);
    std::string why;
    const auto record = records::record_from_results(line, 3, why);
    ASSERT_TRUE(record) << why;
    EXPECT_NE(record->find("[BlackUsage \"cpu 0.500 s, wall 1.250 s, memory 3.0 MB, processes "
                           "4\"]\n[WhiteUsage \"cpu 2.000 s, wall 2.500 s, memory 0.0 MB, "
                           "processes 0\"]"),
              std::string::npos)
        << *record;
    EXPECT_EQ(back.fault, (records::Fault{"grid", "white", "malformed-line"}));
    // A line of an older referee has none.
    records::GameEntry older = entry(3, "1-0");
    older.usage.reset();
    older.fault.reset();
    EXPECT_FALSE(read_back(records::game_line(older)).usage);
    EXPECT_FALSE(read_back(records::game_line(older)).fault);
    EXPECT_TRUE(std::holds_alternative<records::NotAGame>(
        records::read_game_line("{\"summary\": {\"players\": []}}")));
}

TEST(ResultsLine, UntrustworthyLinesAreRefusedWithWhy) {
    std::string bad_clock = records::run_line(a_run());
    bad_clock.replace(bad_clock.find("60+2 move 5"), 11, "sixty");
    std::string bad_times = records::game_line(entry(1, "1-0"));
    bad_times.replace(bad_times.find("[0.125,2.0]"), 11, "[0.125]");
    std::string bad_usage = records::game_line(entry(1, "1-0"));
    bad_usage.replace(bad_usage.find("\"cpu\":0.5"), 9, "\"cpu\":-1.5");
    std::string wrong_player = records::game_line(entry(1, "1-0"));
    wrong_player.replace(wrong_player.find("\"side\":\"white\""), 14, "\"side\":\"black\"");
    const std::pair<std::string, std::string> cases[] = {
        {bad_usage, "negative usage"},     {wrong_player, "not the one on its side"},
        {"not json", "not a JSON object"}, {"[1, 2]", "not a JSON object"},
        {bad_clock, "time_control"},       {bad_times, "times and moves differ"},
    };
    for (const auto& [line, why] : cases) {
        const auto read = records::read_game_line(line);
        const auto* problem = std::get_if<std::string>(&read);
        ASSERT_NE(problem, nullptr) << line;
        EXPECT_NE(problem->find(why), std::string::npos) << *problem;
    }
}

// An unfinished line gives way to a finished one for the same game, and of
// two finished lines the first stands: the merge, resuming and replay all
// decide by this.
TEST(ResultsLine, FinishedLineReplacesAnUnfinishedOne) {
    EXPECT_TRUE(records::replaces(entry(1, "*"), entry(1, "0-1")));
    EXPECT_FALSE(records::replaces(entry(1, "1-0"), entry(1, "0-1")));
    EXPECT_FALSE(records::replaces(entry(1, "1-0"), entry(1, "*")));
    EXPECT_FALSE(records::replaces(entry(1, "*"), entry(1, "*")));

    records::GameEntry first = entry(2, "1/2-1/2");
    first.termination = "first";
    records::GameEntry second = entry(2, "0-1");
    second.termination = "second";
    const std::string text = records::run_line(a_run()) + records::game_line(entry(2, "*")) +
                             "garbage\n" + records::game_line(entry(1, "1-0")) +
                             records::game_line(first) + records::game_line(second);
    std::string why;
    const auto record = records::record_from_results(text, 2, why);
    ASSERT_TRUE(record) << why;
    const auto games = std::get<std::vector<records::Game>>(records::read_record(*record));
    ASSERT_EQ(games.size(), 1U);
    EXPECT_EQ(games[0].result, "1/2-1/2");
    EXPECT_EQ(games[0].tag("Termination"), "first");
    EXPECT_EQ(games[0].tag("Black"), "tree \"player\"");
    EXPECT_EQ(games[0].tag("Event"), "referee game 2");
    EXPECT_EQ(games[0].rows, 10);
    EXPECT_EQ(games[0].time_control, (records::TimeControl{60, 2, 5}));
    ASSERT_EQ(games[0].plies(), 2);
    EXPECT_EQ(games[0].moves[1].seconds, 2);

    EXPECT_FALSE(records::record_from_results(text, 5, why));
    EXPECT_EQ(why, "the results file holds no game 5 (it holds 4 game lines)");
    EXPECT_TRUE(records::is_results_file("\n  " + text));
    EXPECT_FALSE(records::is_results_file("[Event \"x\"]\n"));
}

// Build lines stand apart from the games: the last one for a player is kept
// (a resumed run built again), and the games read as if they were not there.
TEST(ResultsLine, BuildLinesAreKeptBesideTheGames) {
    const records::Build failed{"carol", false, "exited with status 2", 1.5, "error: x\n"};
    records::Build first{"dave", true, "", 3, "javac\n"};
    records::Build again = first;
    again.seconds = 4;
    std::istringstream in(records::build_line(failed) + records::build_line(first) +
                          records::game_line(entry(1, "1-0")) + records::build_line(again) +
                          "{\"build\": {\"player\": 3}}\n");
    const records::ReadResults read = records::read_results(in, "r.jsonl");
    ASSERT_EQ(read.games.size(), 1U);
    EXPECT_EQ(read.builds, (std::vector<records::Build>{failed, again}));
    ASSERT_EQ(read.problems.size(), 1U);
    EXPECT_NE(read.problems[0].find("r.jsonl line 5: a build line"), std::string::npos)
        << read.problems[0];
}

// A run is said once, on a line of its own, and every game line after it
// belongs to it; lines of older referees carrying their run still read, and
// games of several runs written together come back each with its own.
TEST(ResultsLine, RunLinesGoAheadOfTheirGames) {
    records::RunInfo other = a_run();
    other.games = 2;
    const std::string older_line = [] {
        // As older referees wrote it: the run inside the game's line.
        std::string line = records::game_line(entry(1, "1-0"));
        const std::string run = records::run_line(a_run());
        line.insert(line.size() - 2, "," + run.substr(1, run.size() - 3));
        return line;
    }();
    std::istringstream in(older_line + older_line + records::game_line(entry(3, "0-1")) +
                          records::run_line(other) + records::game_line(entry(2, "*")) +
                          records::run_line(other) + records::game_line(entry(4, "1-0")));
    const records::ReadResults read = records::read_results(in, "r.jsonl");
    EXPECT_TRUE(read.problems.empty()) << read.problems[0];
    ASSERT_EQ(read.games.size(), 5U);
    ASSERT_TRUE(read.games[0].run);
    EXPECT_EQ(*read.games[0].run, a_run());
    // Equal descriptions are one, not a copy per game.
    EXPECT_EQ(read.games[1].run, read.games[0].run);
    // An older line's run is its own: the games after it have none.
    EXPECT_FALSE(read.games[2].run);
    ASSERT_TRUE(read.games[3].run);
    EXPECT_EQ(*read.games[3].run, other);
    EXPECT_EQ(read.games[4].run, read.games[3].run);
    ASSERT_EQ(read.runs.size(), 2U);
    EXPECT_EQ(read.runs[1].origin, "r.jsonl line 6");

    // Written back: the game of no run first, then each run's line and its
    // games, and it reads as the games it was written from.
    std::vector<records::GameEntry> games = read.games;
    std::ostringstream out;
    records::write_games(out, games);
    const std::string text = out.str();
    EXPECT_EQ(text.find(records::game_line(entry(3, "0-1"))), 0U) << text;
    std::size_t run_lines = 0;
    for (auto at = text.find("{\"run\""); at != std::string::npos;
         at = text.find("{\"run\"", at + 1))
        ++run_lines;
    EXPECT_EQ(run_lines, 2U) << text;
    std::istringstream again(text);
    const records::ReadResults back = records::read_results(again, "w.jsonl");
    ASSERT_EQ(back.games.size(), games.size());
    for (const auto& game : back.games) {
        const auto was = std::find_if(games.begin(), games.end(),
                                      [&](const auto& g) { return g.game == game.game; });
        ASSERT_NE(was, games.end());
        EXPECT_EQ(records::game_line(game), records::game_line(*was));
        EXPECT_EQ(static_cast<bool>(game.run), static_cast<bool>(was->run)) << game.game;
        if (game.run) {
            EXPECT_EQ(*game.run, *was->run) << game.game;
        }
    }
}

}  // namespace
