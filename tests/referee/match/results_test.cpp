#include "referee/match/results.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "random_results.h"
#include "referee/match/tournament.h"

namespace {

using records::GameEntry;

std::string scratch(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("results_test_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Three players with names that need escaping, twice per pairing: 6 games.
const std::vector<std::string> kNames{"tree \"player\"", "grid\\player", "caf\xc3\xa9 bot"};

std::vector<records::GameEntry> played_games(unsigned seed) {
    return referee_test::random_results(kNames, referee::TournamentKind::RoundRobin, 2, seed);
}

TEST(Results, GameLinesReadBackFieldForField) {
    const auto games = played_games(7);
    std::string text;
    for (const auto& g : games)
        text += records::game_line(g);
    const auto standings = referee::compute_standings(referee::players_in_order(games), games);
    std::istringstream in(text + referee::summary_line(standings, referee::SprtSettings{}));
    const auto read = records::read_results(in, "r.jsonl");
    EXPECT_TRUE(read.problems.empty());
    std::string again;  // a field the reader dropped or changed shows here
    for (const auto& g : read.games)
        again += records::game_line(g);
    EXPECT_EQ(again, text);
}

TEST(Results, DamagedLinesAreReportedAndSkipped) {
    const auto games = played_games(3);
    records::GameEntry same_player = games[0];
    same_player.white = same_player.black;
    records::GameEntry beyond = games[1];
    beyond.game = 7;
    std::istringstream in(records::game_line(games[0]) + "\n  \nnot json\n{\"game\": 2}\n" +
                          "{\"game\": 1e300}\n{\"game\": 18446744073709551615}\n" +
                          records::game_line(same_player) + records::game_line(beyond) +
                          "{\"summary\": {}}\n" + records::game_line(games[1]).substr(0, 40));
    const auto read = records::read_results(in, "r.jsonl");
    ASSERT_EQ(read.games.size(), 1U);
    const std::vector<std::string> expected{"r.jsonl line 4: not a JSON object",
                                            "line 5: [json.exception",
                                            "line 6: game is not",
                                            "line 7: game is not",
                                            "two named players",
                                            "beyond the games scheduled",
                                            "line 11: torn last line"};
    ASSERT_EQ(read.problems.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NE(read.problems[i].find(expected[i]), std::string::npos) << read.problems[i];
}

TEST(Results, MergedFilesPrintWhatTheLiveRunPrinted) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const auto games = played_games(seed);
        const std::string live = referee::summary_text(referee::compute_standings(kNames, games));
        // Jobs finish in any order and write to several files.
        auto shuffled = games;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(seed));
        const std::string dir = scratch("merge" + std::to_string(seed));
        const std::vector<std::string> paths{dir + "/0.jsonl", dir + "/1.jsonl", dir + "/2.jsonl"};
        for (std::size_t i = 0; i < shuffled.size(); ++i)
            std::ofstream(paths[i % 3], std::ios::app) << records::game_line(shuffled[i]);
        std::ostringstream out;
        std::ostringstream errors;
        EXPECT_EQ(referee::run_merge(paths, std::nullopt, out, errors), 0);
        EXPECT_EQ(out.str(), live);
        EXPECT_EQ(errors.str(), "");

        // A job stopped and run again: its unfinished line gives way.
        records::GameEntry stopped = games[3];
        stopped.result = "*";
        std::ofstream(paths[0], std::ios::app) << records::game_line(stopped);
        std::ostringstream out1;
        std::ostringstream errors1;
        EXPECT_EQ(referee::run_merge({paths[0], paths[1], paths[2]}, std::nullopt, out1, errors1),
                  0);
        EXPECT_EQ(out1.str(), live);
        EXPECT_EQ(errors1.str(), "");

        // A job that ran twice: the finished line read first counts.
        records::GameEntry rerun =
            *std::find_if(games.begin(), games.end(),
                          [](const records::GameEntry& g) { return g.result != "*"; });
        rerun.result = rerun.result == "1-0" ? "0-1" : "1-0";
        std::ofstream(paths[2], std::ios::app) << records::game_line(rerun);
        std::ostringstream out2;
        std::ostringstream errors2;
        EXPECT_EQ(referee::run_merge(paths, std::nullopt, out2, errors2), 1);
        EXPECT_EQ(out2.str(), live);
        // The note names both lines and what each held.
        const std::regex note("referee: game " + std::to_string(rerun.game) +
                              " appears more than once: kept .*/[0-2][.]jsonl line [0-9]+ \\([^)]*"
                              "\\), the first read; left out .*/2[.]jsonl line [0-9]+ \\(" +
                              rerun.result + "\\), the same game\n");
        EXPECT_TRUE(std::regex_match(errors2.str(), note)) << errors2.str();
    }
    // Games lost at the end of the schedule count as missing too.
    const std::string path = scratch("gaps") + "/r.jsonl";
    for (const auto& g : played_games(5)) {
        if (g.game != 2 && g.game != 6)
            std::ofstream(path, std::ios::app) << records::game_line(g);
    }
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(referee::run_merge({path}, std::nullopt, out, errors), 1);
    EXPECT_EQ(errors.str(), "referee: games missing (2): 2, 6\n");
    EXPECT_EQ(referee::run_merge({path, path + ".none"}, std::nullopt, out, errors), 2);
}

// Files of jobs of one run each say the run once; the merge writes it once
// ahead of the games, and tells a game of another run by its run line.
TEST(Results, MergeKeepsEachGameWithItsRun) {
    records::RunInfo run;
    run.players = kNames;
    run.commands = {"/bin/a", "/bin/b", "/bin/c"};
    run.tournament = "round-robin";
    run.games = 2;
    records::RunInfo other = run;
    other.games = 3;
    const auto games = played_games(4);
    const std::string dir = scratch("runs");
    const std::vector<std::string> paths{dir + "/a.jsonl", dir + "/b.jsonl", dir + "/c.jsonl"};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::ofstream file(paths[i]);
        file << records::run_line(i < 2 ? run : other);
        for (std::size_t k = 0; k < 3 && i < 2; ++k)
            file << records::game_line(games[i * 3 + k]);
    }
    records::GameEntry again = games[0];
    again.result = again.result == "1-0" ? "0-1" : "1-0";
    std::ofstream(paths[2], std::ios::app) << records::game_line(again);

    const std::string merged = dir + "/merged.jsonl";
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(referee::run_merge(paths, std::nullopt, out, errors, merged), 1);
    EXPECT_NE(errors.str().find("game 1 appears more than once: kept " + paths[0] + " line 2 (" +
                                games[0].result + "), the first read; left out " + paths[2] +
                                " line 2 (" + again.result +
                                "), from another run (the games per pairing: 2 here, 3 there)"),
              std::string::npos)
        << errors.str();
    std::ifstream in(merged);
    const auto read = records::read_results(in, merged);
    EXPECT_TRUE(read.problems.empty());
    ASSERT_EQ(read.runs.size(), 1U);
    EXPECT_EQ(read.runs[0].origin, merged + " line 1");
    EXPECT_EQ(*read.runs[0].run, run);
    ASSERT_EQ(read.games.size(), games.size());
    for (std::size_t k = 0; k < games.size(); ++k) {
        EXPECT_EQ(records::game_line(read.games[k]), records::game_line(games[k]));
        EXPECT_EQ(read.games[k].run, read.runs[0].run);
    }
}

// Builds come through a merge, the last line read for each player
// standing, into the merged file and to what publishes the run, which
// gets every game with its moves, in game order, and the standings.
TEST(Results, MergeKeepsTheBuildsAndPublishesTheWholeRun) {
    const std::string dir = scratch("builds");
    const auto games = played_games(4);
    const std::vector<std::string> paths{dir + "/0.jsonl", dir + "/1.jsonl"};
    std::ofstream(paths[0]) << records::build_line({kNames[0], false, "exited", 1, "first"})
                            << records::build_line({kNames[1], true, "", 2, "ok"});
    std::ofstream(paths[1]) << records::build_line({kNames[0], true, "", 3, "again"});
    for (std::size_t i = games.size(); i-- > 0;)
        std::ofstream(paths[i % 2], std::ios::app) << records::game_line(games[i]);
    std::vector<records::Build> published;
    std::vector<int> numbers;
    std::size_t moves = 0;
    std::string leader;
    const referee::Publish publish = [&](const referee::FinishedRun& run, std::ostream& out,
                                         std::ostream&) {
        published = run.builds;
        for (const auto& game : run.games) {
            numbers.push_back(game.game);
            moves += game.moves.size();
        }
        leader = run.standings.players[static_cast<std::size_t>(run.standings.rows[0].player)];
        out << "published\n";
        return true;
    };
    std::ostringstream out;
    std::ostringstream errors;
    const std::string merged = dir + "/merged.jsonl";
    ASSERT_EQ(referee::run_merge(paths, std::nullopt, out, errors, merged, publish), 0)
        << errors.str();
    const std::vector<records::Build> expected{{kNames[1], true, "", 2, "ok"},
                                               {kNames[0], true, "", 3, "again"}};
    EXPECT_EQ(published, expected);
    EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    std::size_t played = 0;
    for (const auto& game : games)
        played += game.moves.size();
    EXPECT_EQ(moves, played);
    const auto standings = referee::compute_standings(kNames, games);
    EXPECT_EQ(leader, kNames[static_cast<std::size_t>(standings.rows[0].player)]);
    EXPECT_TRUE(out.str().ends_with("published\n")) << "after the summary";
    std::ifstream in(merged);
    const auto read = records::read_results(in, "merged");
    EXPECT_EQ(read.builds, expected);
    EXPECT_EQ(read.games.size(), games.size());

    // A publisher that fails makes the merge's exit status 1.
    const referee::Publish failing = [](const referee::FinishedRun&, std::ostream&, std::ostream&) {
        return false;
    };
    EXPECT_EQ(referee::run_merge(paths, std::nullopt, out, errors, "", failing), 1);
}

TEST(Results, SummaryWritesInfinityAsAStringAndNoNegativeZero) {
    std::vector<records::GameEntry> games;
    for (const char* result : {"1-0", "0-1", "1-0", "0-1", "1/2-1/2", "1/2-1/2"}) {
        records::GameEntry e = played_games(1)[0];
        e.game = static_cast<int>(games.size()) + 1;
        e.black = e.game % 2 ? "p" : "q";
        e.white = e.game % 2 ? "q" : "p";
        e.result = result;
        games.push_back(e);
    }
    // p won the first two pairs: +inf with a finite lower bound.
    const std::vector<records::GameEntry> sweep(games.begin(), games.begin() + 4);
    const auto line = referee::summary_line(referee::compute_standings({"p", "q"}, sweep),
                                            referee::SprtSettings{});
    EXPECT_NE(line.find(R"("pentanomial":[0,0,0,0,2],"unpaired":0,"model":"pentanomial",)"
                        R"("elo":"inf","elo_low":3)"),
              std::string::npos)
        << line;
    EXPECT_NE(line.find(R"("elo_high":"inf","los":)"), std::string::npos) << line;
    // Two drawn games alone: an estimate of exactly 0, never -0.0.
    const std::vector<records::GameEntry> drawn(games.begin() + 4, games.end());
    const auto zero =
        referee::summary_line(referee::compute_standings({"p", "q"}, drawn), std::nullopt);
    EXPECT_NE(zero.find(R"("elo":0.0,)"), std::string::npos) << zero;
    EXPECT_EQ(zero.find("-0.0"), std::string::npos) << zero;
    EXPECT_NE(referee::summary_line(referee::compute_standings({"p", "q"}, {}), std::nullopt)
                  .find(R"("elo":null,"elo_low":null,"elo_high":null,"los":null)"),
              std::string::npos);
}

// The ratings themselves are fit_ratings' (ratings_test.cpp): the merged
// file must carry them for every player, and say when the prior was needed.
TEST(Results, MergedFileCarriesTheFieldsRatings) {
    const std::string dir = scratch("ratings");
    // a-b 6-4, b-c 7-3, a-c 8-2 over ten games each, colours alternating;
    // then the same with c losing every game, which needs the prior.
    for (const bool swept : {false, true}) {
        const std::map<std::pair<int, int>, int> first_wins{
            {{0, 1}, 6}, {{1, 2}, swept ? 10 : 7}, {{0, 2}, swept ? 10 : 8}};
        const std::vector<std::string> names{"a", "b", "c"};
        std::vector<records::GameEntry> games;
        std::map<std::pair<int, int>, int> played;
        for (const auto& g : referee::schedule_games(3, referee::TournamentKind::RoundRobin, 10)) {
            const auto pairing = std::minmax(g.black, g.white);
            const bool first_won = played[pairing]++ < first_wins.at(pairing);
            records::GameEntry e = played_games(1)[0];
            e.game = g.number;
            e.scheduled = 30;
            e.black = names[g.black];
            e.white = names[g.white];
            e.result = first_won == (g.black == pairing.first) ? "1-0" : "0-1";
            games.push_back(e);
        }
        const std::string in = dir + "/in.jsonl";
        const std::string out_path = dir + "/out.jsonl";
        std::ofstream file(in, std::ios::trunc);
        for (const auto& g : games)
            file << records::game_line(g);
        file.close();
        std::ostringstream out;
        std::ostringstream errors;
        ASSERT_EQ(referee::run_merge({in}, std::nullopt, out, errors, out_path), 0) << errors.str();
        std::ifstream written(out_path);
        const std::string text((std::istreambuf_iterator<char>(written)),
                               std::istreambuf_iterator<char>());
        std::istringstream lines(text);
        EXPECT_EQ(records::read_results(lines, "out").games.size(), 30U);
        EXPECT_NE(text.find(swept ? "\"rating_prior\":true" : "\"rating_prior\":false"),
                  std::string::npos);

        for (const std::string player : {"a", "b", "c"}) {
            const auto row = text.find("\"player\":\"" + player + "\"");
            ASSERT_NE(row, std::string::npos) << text;
            EXPECT_LT(text.find("\"rating_high\":", row), text.find('}', row)) << player;
        }
    }
}

TEST(Results, EntryFromAPlayedGame) {
    referee::GameResult result;
    result.outcome = {referee::EndReason::TownHallsLost, rules::Side::White, ""};
    for (const auto& [side, line, seconds] : {std::tuple{rules::Side::Black, "S 0 5 M 0 4", 0.25},
                                              std::tuple{rules::Side::White, "S 1 2 M 1 3", 1.0},
                                              std::tuple{rules::Side::Black, "S 0 4 M 0 3", 0.5}})
        result.moves.push_back({side, *protocol::parse_move(line), seconds});
    result.started = std::chrono::system_clock::time_point(std::chrono::milliseconds(1500));
    result.ended = result.started + std::chrono::hours(25);
    const auto e = referee::make_entry(4, 6, "tree", "grid", result);
    EXPECT_EQ(std::tie(e.result, e.reason, e.plies, e.time_black, e.time_white),
              std::make_tuple("1-0", "white lost its town halls", 3, 0.75, 1.0));
    EXPECT_EQ(e.moves[2], "S 0 4 M 0 3");
    EXPECT_EQ(e.start, "1970-01-01T00:00:01.500Z");
    EXPECT_EQ(e.end, "1970-01-02T01:00:01.500Z");
    // Lost by the rules: nobody's fault.
    EXPECT_FALSE(e.fault);
}

// The loser of a faulty game is named by its name and side, whichever side
// it played; an ending that is nobody's fault names no one.
TEST(Results, EntryNamesThePlayerWhoseFaultEndedTheGame) {
    using referee::EndReason;
    using rules::Side;
    const struct {
        EndReason reason;
        std::optional<Side> loser;
        std::optional<records::Fault> fault;
    } cases[] = {
        {EndReason::MalformedLine, Side::White, records::Fault{"grid", "white", "malformed-line"}},
        {EndReason::TimeForfeit, Side::Black, records::Fault{"tree", "black", "time-forfeit"}},
        {EndReason::MemoryLimit, Side::Black, records::Fault{"tree", "black", "memory-limit"}},
        {EndReason::OutOfTurn, Side::White, records::Fault{"grid", "white", "out-of-turn"}},
        {EndReason::NoLegalMove, Side::Black, std::nullopt},
        {EndReason::Resigned, Side::White, std::nullopt},
        {EndReason::Repetition, std::nullopt, std::nullopt},
        {EndReason::Interrupted, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        referee::GameResult result;
        result.outcome = {c.reason, c.loser, "detail"};
        const auto entry = referee::make_entry(1, 1, "tree", "grid", result);
        SCOPED_TRACE(entry.reason);
        EXPECT_EQ(entry.fault, c.fault);
        // And it reads back as written.
        const auto read = records::read_game_line(records::game_line(entry));
        ASSERT_TRUE(std::holds_alternative<records::GameEntry>(read));
        EXPECT_EQ(std::get<records::GameEntry>(read).fault, c.fault);
    }
}

}  // namespace
