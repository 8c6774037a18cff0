#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

#include "random_results.h"
#include "referee/formats/pairings.h"
#include "referee/formats/schedule.h"
#include "referee/match/results.h"
#include "referee/match/tournament.h"
#include "referee/stats/standings.h"

namespace {

using records::GameEntry;
using referee::TournamentKind;

const std::vector<std::string> kNames{"ant", "bee", "cat", "dog", "eel", "fox"};

TEST(Pairings, EveryPairingAlternatesColoursFirstNamedBlackFirst) {
    for (const auto kind : {TournamentKind::RoundRobin, TournamentKind::Gauntlet}) {
        for (int players = 2; players <= 6; ++players) {
            for (int per = 1; per <= 5; ++per) {
                const auto games = referee::schedule_games(players, kind, per);
                const int pairs =
                    kind == TournamentKind::RoundRobin ? players * (players - 1) / 2 : players - 1;
                ASSERT_EQ(games.size(), static_cast<std::size_t>(pairs * per));
                std::map<std::pair<int, int>, int> played;  // (first, second) -> games so far
                for (std::size_t i = 0; i < games.size(); ++i) {
                    const auto& g = games[i];
                    EXPECT_EQ(g.number, static_cast<int>(i) + 1);
                    const int first = std::min(g.black, g.white);
                    const int second = std::max(g.black, g.white);
                    ASSERT_NE(first, second);
                    if (kind == TournamentKind::Gauntlet) {
                        EXPECT_EQ(first, 0);
                    }
                    const int so_far = played[{first, second}]++;
                    EXPECT_EQ(g.black, so_far % 2 == 0 ? first : second) << "game " << g.number;
                }
                EXPECT_EQ(played.size(), static_cast<std::size_t>(pairs));
                // The merge recovers the order the players were named in.
                const std::vector<std::string> names(kNames.begin(), kNames.begin() + players);
                EXPECT_EQ(
                    referee::players_in_order(referee_test::random_results(names, kind, per, 1)),
                    names);
            }
        }
    }
    EXPECT_EQ(referee::parse_tournament_kind("gauntlet"), TournamentKind::Gauntlet);
    EXPECT_EQ(referee::parse_tournament_kind("swiss"), TournamentKind::Swiss);
    EXPECT_FALSE(referee::parse_tournament_kind("knockout"));
    using V = std::vector<std::string>;
    EXPECT_EQ(referee::distinct_names(V{"a", "b", "a"}), (V{"a #1", "b", "a #2"}));
    EXPECT_EQ(referee::distinct_names(V{"x", "x", "x #1"}), (V{"x #2", "x #3", "x #1"}));
}

TEST(Standings, RandomTournamentsKeepTheBooksBalanced) {
    const std::vector<std::string> names(kNames.begin(), kNames.begin() + 4);
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const auto kind = seed % 2 ? TournamentKind::RoundRobin : TournamentKind::Gauntlet;
        auto games =
            referee_test::random_results(names, kind, 1 + static_cast<int>(seed % 4), seed);
        const auto standings = referee::compute_standings(names, games);
        const auto finished =
            std::count_if(games.begin(), games.end(),
                          [](const records::GameEntry& g) { return g.result != "*"; });
        EXPECT_EQ(standings.unfinished, static_cast<int>(games.size() - finished));
        double points = 0;
        for (std::size_t r = 0; r < standings.rows.size(); ++r) {
            const auto& row = standings.rows[r];
            points += row.score.points();
            if (r > 0) {
                const auto& above = standings.rows[r - 1];
                // Points, then Buchholz, then the order named.
                const auto key = [](const referee::Standing& s) {
                    return std::tuple{-s.score.points(), -s.buchholz, s.player};
                };
                EXPECT_LT(key(above), key(row));
            }
            double buchholz = 0;
            for (std::size_t j = 0; j < names.size(); ++j) {
                const int other = static_cast<int>(j);
                const auto s = standings.against(row.player, other);
                const auto mirror = standings.against(other, row.player);
                EXPECT_EQ(std::tie(s.wins, s.draws), std::tie(mirror.losses, mirror.draws));
                if (s.games() > 0) {
                    for (const auto& opponent : standings.rows)
                        buchholz += opponent.player == other ? opponent.score.points() : 0;
                }
            }
            EXPECT_EQ(row.buchholz, buchholz);
        }
        EXPECT_EQ(points, static_cast<double>(finished));
        // The order the games finished in changes nothing.
        const auto text = referee::summary_text(standings);
        std::shuffle(games.begin(), games.end(), std::mt19937(seed));
        EXPECT_EQ(referee::summary_text(referee::compute_standings(names, games)), text);
    }
}

TEST(Standings, SmallRoundRobinByHand) {
    // a beats b twice, b and c draw twice, c beats a once and loses once.
    std::istringstream table("a b 1-0  a c 0-1  b c 1/2-1/2  b a 0-1  c a 0-1  c b 1/2-1/2  c b *");
    std::vector<records::GameEntry> games;
    for (records::GameEntry g; table >> g.black >> g.white >> g.result;) {
        ++g.game;
        games.push_back(g);
    }
    // a 3 points, c 2, b 1; everyone scored against everyone who scored
    // against them, so the plain fit exists and needs no prior.
    const auto standings = referee::compute_standings({"a", "b", "c"}, games);
    const auto text = referee::summary_text(standings);
    for (const char* line : {"   2  c          2.0      4     1       1      2   50.0 %  ",
                             "   3  b          1.0      4     0       2      2   25.0 %  ",
                             "   1  a         x  1/2  2/2\n", "   3  b       0/2  1/2    x\n",
                             "Unfinished games (not counted): 1\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    EXPECT_FALSE(standings.rating_prior);
    EXPECT_EQ(text.find("virtual draw"), std::string::npos) << text;
}

// Each game lost by a fault counts against the player who lost it, in
// either colour, by kind; a player without faults is left out of the list.
TEST(Standings, FaultsCountAgainstTheLoserByKind) {
    struct Game {
        const char* black;
        const char* white;
        const char* result;
        const char* at_fault;  // "black", "white" or "" for none
        const char* kind;
    };
    const Game table[] = {
        {"carol", "dan", "0-1", "black", "malformed-line"},
        {"dan", "carol", "1-0", "white", "malformed-line"},
        {"carol", "eve", "0-1", "black", "time-forfeit"},
        {"eve", "carol", "1-0", "white", "malformed-line"},
        {"dan", "eve", "1-0", "white", "exited"},
        {"eve", "dan", "0-1", "", ""},  // by the rules
    };
    std::vector<records::GameEntry> games;
    for (const auto& g : table) {
        records::GameEntry e;
        e.game = static_cast<int>(games.size()) + 1;
        e.black = g.black;
        e.white = g.white;
        e.result = g.result;
        if (*g.at_fault != '\0') {
            const std::string side = g.at_fault;
            e.fault = records::Fault{side == "black" ? e.black : e.white, side, g.kind};
        }
        games.push_back(e);
    }
    const auto standings = referee::compute_standings({"carol", "dan", "eve"}, games);
    const auto text = referee::summary_text(standings);
    EXPECT_NE(text.find("Faults (games lost by the player's own fault):\n"
                        "  carol: 3 malformed-line, 1 time-forfeit\n"
                        "  eve: 1 exited\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("  dan: "), std::string::npos) << text;

    EXPECT_NE(referee::summary_line(standings, std::nullopt)
                  .find(R"("faults":{"carol":{"malformed-line":3,"time-forfeit":1},)"
                        R"("eve":{"exited":1}})"),
              std::string::npos);
    // Without faults, an empty list and no text.
    for (auto& g : games)
        g.fault.reset();
    const auto clean = referee::compute_standings({"carol", "dan", "eve"}, games);
    EXPECT_EQ(referee::summary_text(clean).find("Faults"), std::string::npos);
    EXPECT_NE(referee::summary_line(clean, std::nullopt).find(R"("faults":{})"), std::string::npos);
}

// What bash (as GNU parallel's jobs run) makes of a command line: each word
// followed by "|".
std::string shell_words(const std::string& command) {
    FILE* pipe =
        ::popen(("exec bash -c \"printf '%s|' \"" + referee::shell_quote(command)).c_str(), "r");
    std::string words;
    for (int c = 0; pipe && (c = std::fgetc(pipe)) != EOF;)
        words += static_cast<char>(c);
    if (pipe)
        ::pclose(pipe);
    return words;
}

// A ring of players, each beating the next: the crosstable up to its bound
// of players, left out beyond, saying so; the ratings for any field.
TEST(Standings, LargeFieldsLeaveOutTheCrosstableButKeepTheRatings) {
    const auto ring = [](std::size_t size) {
        std::vector<records::GameEntry> games;
        for (std::size_t k = 0; k < size; ++k) {
            records::GameEntry game;
            game.game = static_cast<int>(k) + 1;
            game.black = "p" + std::to_string(k);
            game.white = "p" + std::to_string((k + 1) % size);
            game.result = "1-0";
            games.push_back(game);
        }
        return referee::summary_text(referee::compute_standings({}, games));
    };
    const std::size_t crosstable = referee::kMaxCrosstablePlayers;
    EXPECT_NE(ring(crosstable).find("Crosstable (row player's"), std::string::npos);
    const std::string large = ring(crosstable * 10);
    EXPECT_NE(large.find("Crosstable left out: " + std::to_string(crosstable * 10)),
              std::string::npos);
    // Every player of the ring did the same: each is rated the average.
    EXPECT_NE(large.find("95 % interval"), std::string::npos);
    EXPECT_NE(large.find("\n 400  p399 "), std::string::npos) << large.substr(0, 400);
    EXPECT_NE(large.find("    +0.0  ["), std::string::npos);
}

TEST(Schedule, CommandsReadBackWordForWordAndPickEveryGame) {
    const std::vector<std::string> nasty{
        "plain",       "two words", "it's", "$HOME",    "`id`", "a\\b", "\"q\"",
        "line\nbreak", "",          "~x",   "#comment", "*",    "a=b",  "caf\xc3\xa9"};
    for (const auto& word : nasty)
        EXPECT_EQ(shell_words(referee::shell_quote(word)), word + "|") << word;

    referee::ScheduleRequest request;
    request.referee = "/opt/my bots/referee";
    request.options = {"--rows", "10", "--quiet"};
    request.kind = TournamentKind::RoundRobin;
    request.games_per_pairing = 2;
    request.players = {{"tree", "build/bin/treeplayer", {}},
                       {"my bot", "python3 'my bot.py' --level 3", {}},
                       {"it's", "./x", {}}};
    request.results_path = "results.jsonl";
    const auto lines = referee::schedule_commands(request);
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(shell_words(lines[4]),
              "/opt/my bots/referee|--rows|10|--quiet|--tournament|round-robin|--games|2|"
              "--results|results.jsonl|--only-game|5|--name|tree|build/bin/treeplayer|"
              "--name|my bot|python3 'my bot.py' --level 3|--name|it's|./x|");
}

// A field of 150 in batches: one job per K games, the jobs' ranges covering
// every game once in order, every line as long as the first but for its
// numbers, so the schedule shrinks with K instead of naming the field once
// per game (22,350 lines of 9 KB each without --batch).
TEST(Schedule, BatchesCoverEveryGameOnceWithALinePerBatch) {
    referee::ScheduleRequest request;
    request.referee = "/usr/bin/referee";
    request.games_per_pairing = 2;
    for (int i = 0; i < 150; ++i) {
        const std::string name = "student" + std::to_string(i);
        request.players.push_back({name, "/home/course/" + name + "/run", {}});
    }
    request.results_path = "/scratch/r{batch}.jsonl";
    const int total = 150 * 149;
    for (const int batch : {100, 149, total + 5}) {
        SCOPED_TRACE("batch " + std::to_string(batch));
        request.batch = batch;
        const auto lines = referee::schedule_commands(request);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>((total + batch - 1) / batch));
        int next = 1;
        for (const auto& line : lines) {
            EXPECT_LE(line.size(), lines.front().size() + 10);
            // Ranges and numbers are plain words: the line holds them as they are.
            const auto at = line.find(" --only-game ");
            ASSERT_NE(at, std::string::npos) << line;
            EXPECT_NE(line.find(" --batch " + std::to_string(batch) + " "), std::string::npos);
            const std::string range = line.substr(at + 13, line.find(' ', at + 13) - at - 13);
            const auto dash = range.find('-');
            EXPECT_EQ(std::stoi(range.substr(0, dash)), next) << range;
            next = std::stoi(dash == std::string::npos ? range : range.substr(dash + 1)) + 1;
        }
        EXPECT_EQ(next, total + 1);
    }
}

TEST(Tournament, AnnouncesGamesAndStopsWhenTheSprtDecides) {
    referee::Tournament match({"new", "old"}, TournamentKind::RoundRobin, 1000,
                              referee::SprtSettings{0, 50, 0.05, 0.05});
    ASSERT_EQ(match.total(), 1000);
    EXPECT_EQ(match.started_line(match.games()[1]), "Started game 2 of 1000 (old vs new)");
    // "new" wins two games of three: the test must accept H1 long before
    // the thousandth game, and not before it has seen a loss.
    int played = 0;
    for (records::GameEntry e; !match.decided(); ++played) {
        const auto& g = match.games()[played];
        e.game = g.number;
        e.black = match.names()[g.black];
        e.white = match.names()[g.white];
        e.result = (g.black == 0) == (g.number % 3 != 0) ? "1-0" : "0-1";
        match.finished(e);
    }
    EXPECT_GT(played, 3);
    EXPECT_LT(played, 100);
    EXPECT_NE(match.summary().find("H1 accepted"), std::string::npos) << match.summary();
    EXPECT_NE(match.summary_json().find("\"decision\":\"H1\""), std::string::npos);
}

}  // namespace
