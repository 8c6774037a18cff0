#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "referee/options.h"
#include "referee/pairings.h"
#include "referee/schedule.h"
#include "referee/standings.h"
#include "referee/tournament.h"

namespace {

using referee::GameEntry;
using referee::TournamentKind;

// A played-out schedule with seeded random results.
std::vector<GameEntry> random_tournament(const std::vector<std::string>& names, TournamentKind kind,
                                         int per_pairing, unsigned seed) {
    std::mt19937 random(seed);
    const char* results[] = {"1-0", "0-1", "1/2-1/2", "*"};
    std::vector<GameEntry> games;
    for (const auto& g :
         referee::schedule_games(static_cast<int>(names.size()), kind, per_pairing)) {
        GameEntry entry;
        entry.game = g.number;
        entry.black = names[g.black];
        entry.white = names[g.white];
        entry.result = results[random() % 4];
        entry.reason = random() % 2 ? "white lost its town halls" : "the ply limit was reached";
        games.push_back(entry);
    }
    return games;
}

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
                std::vector<std::string> names;
                names.reserve(players);
                for (int p = 0; p < players; ++p)
                    names.push_back("p" + std::to_string(p));
                EXPECT_EQ(referee::players_in_order(random_tournament(names, kind, per, 1)), names);
            }
        }
    }
    EXPECT_EQ(referee::parse_tournament_kind("gauntlet"), TournamentKind::Gauntlet);
    EXPECT_FALSE(referee::parse_tournament_kind("swiss"));
}

TEST(Pairings, RepeatedNamesAreMadeDistinct) {
    using V = std::vector<std::string>;
    EXPECT_EQ(referee::distinct_names(V{"a", "b", "a"}), (V{"a #1", "b", "a #2"}));
    const auto tricky = referee::distinct_names(V{"x", "x", "x #1"});
    EXPECT_EQ(std::set<std::string>(tricky.begin(), tricky.end()).size(), 3U);
    EXPECT_EQ(tricky[2], "x #1");
}

TEST(Standings, RandomTournamentsKeepTheBooksBalanced) {
    const std::vector<std::string> names{"ant", "bee", "cat", "dog"};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const auto kind = seed % 2 ? TournamentKind::RoundRobin : TournamentKind::Gauntlet;
        auto games = random_tournament(names, kind, 1 + static_cast<int>(seed % 4), seed);
        const auto standings = referee::compute_standings(names, games);
        const auto finished = std::count_if(games.begin(), games.end(),
                                            [](const GameEntry& g) { return g.result != "*"; });
        EXPECT_EQ(standings.unfinished, static_cast<int>(games.size() - finished));
        double points = 0;
        int wins = 0;
        int losses = 0;
        for (std::size_t r = 0; r < standings.rows.size(); ++r) {
            const auto& row = standings.rows[r];
            points += row.score.points();
            wins += row.score.wins;
            losses += row.score.losses;
            if (r > 0) {
                const auto& above = standings.rows[r - 1];
                EXPECT_TRUE(
                    above.score.points() > row.score.points() ||
                    (above.score.points() == row.score.points() && above.player < row.player));
            }
            for (std::size_t j = 0; j < names.size(); ++j) {
                const auto& s = standings.cross[row.player][j];
                const auto& mirror = standings.cross[j][row.player];
                EXPECT_EQ(s.wins, mirror.losses);
                EXPECT_EQ(s.draws, mirror.draws);
            }
        }
        EXPECT_EQ(points, static_cast<double>(finished));
        EXPECT_EQ(wins, losses);
        // The order the games finished in changes nothing.
        const auto text = referee::summary_text(standings);
        std::shuffle(games.begin(), games.end(), std::mt19937(seed));
        EXPECT_EQ(referee::summary_text(referee::compute_standings(names, games)), text);
    }
}

TEST(Standings, SmallRoundRobinByHand) {
    // a beats b twice, b and c draw twice, c beats a once and loses once.
    auto game = [](int n, const char* black, const char* white, const char* result) {
        GameEntry g;
        g.game = n;
        g.black = black;
        g.white = white;
        g.result = result;
        return g;
    };
    const std::vector<GameEntry> games{game(1, "a", "b", "1-0"),     game(2, "a", "c", "0-1"),
                                       game(3, "b", "c", "1/2-1/2"), game(4, "b", "a", "0-1"),
                                       game(5, "c", "a", "0-1"),     game(6, "c", "b", "1/2-1/2"),
                                       game(7, "c", "b", "*")};
    const auto s = referee::compute_standings({"a", "b", "c"}, games);
    ASSERT_EQ(s.rows.size(), 3U);
    EXPECT_EQ(s.players[s.rows[0].player], "a");
    EXPECT_EQ(s.rows[0].score.points(), 3);
    EXPECT_EQ(s.players[s.rows[1].player], "c");  // 2 points, ahead of b's 1
    EXPECT_EQ(s.unfinished, 1);
    // c against a: 1 win, 1 loss: Elo 0; b against a: 0 of 2: -inf.
    EXPECT_EQ(referee::format_estimate(s.rows[1].elo_vs_first).substr(0, 4), "+0.0");
    EXPECT_EQ(referee::format_elo(s.rows[2].elo_vs_first->elo), "-inf");
    const auto text = referee::summary_text(s);
    EXPECT_NE(text.find("   1  a         x  1/2  2/2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("   3  b       0/2  1/2    x\n"), std::string::npos) << text;
}

// What /bin/sh makes of a command line, word by word.
std::vector<std::string> shell_words(const std::string& command) {
    FILE* pipe = ::popen(("printf '%s\\0' " + command).c_str(), "r");
    std::string bytes;
    for (int c = 0; pipe && (c = std::fgetc(pipe)) != EOF;)
        bytes += static_cast<char>(c);
    if (pipe)
        ::pclose(pipe);
    std::vector<std::string> words;
    for (std::size_t start = 0, end = 0; (end = bytes.find('\0', start)) != std::string::npos;
         start = end + 1) {
        words.push_back(bytes.substr(start, end - start));
    }
    return words;
}

TEST(Schedule, CommandsReadBackWordForWordAndPickEveryGame) {
    const std::vector<std::string> nasty{
        "plain",       "two words", "it's", "$HOME",    "`id`", "a\\b", "\"q\"",
        "line\nbreak", "",          "~x",   "#comment", "*",    "a=b",  "caf\xc3\xa9"};
    for (const auto& word : nasty)
        EXPECT_EQ(shell_words(referee::shell_quote(word)), std::vector<std::string>{word}) << word;

    referee::ScheduleRequest request;
    request.referee = "/opt/my bots/referee";
    request.options = {"--rows", "10", "--quiet"};
    request.kind = TournamentKind::RoundRobin;
    request.games_per_pairing = 2;
    request.players = {{"tree", "build/bin/treeplayer"},
                       {"my bot", "python3 'my bot.py' --level 3"},
                       {"it's", "./x"}};
    request.results_path = "results.jsonl";
    const auto lines = referee::schedule_commands(request);
    ASSERT_EQ(lines.size(), 6U);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const auto words = shell_words(lines[k]);
        const std::vector<std::string> expected{"/opt/my bots/referee",
                                                "--rows",
                                                "10",
                                                "--quiet",
                                                "--tournament",
                                                "round-robin",
                                                "--games",
                                                "2",
                                                "--results",
                                                "results.jsonl",
                                                "--only-game",
                                                std::to_string(k + 1),
                                                "--name",
                                                "tree",
                                                "build/bin/treeplayer",
                                                "--name",
                                                "my bot",
                                                "python3 'my bot.py' --level 3",
                                                "--name",
                                                "it's",
                                                "./x"};
        EXPECT_EQ(words, expected);
        // The referee then splits the player command itself.
        EXPECT_EQ(referee::split_command(words[17]),
                  (std::vector<std::string>{"python3", "my bot.py", "--level", "3"}));
    }
}

}  // namespace

namespace {

TEST(Tournament, AnnouncesGamesAndStopsWhenTheSprtDecides) {
    referee::Tournament match({"new", "old"}, TournamentKind::RoundRobin, 1000,
                              referee::SprtSettings{0, 50, 0.05, 0.05});
    ASSERT_EQ(match.total(), 1000);
    EXPECT_EQ(match.started_line(match.games()[1]), "Started game 2 of 1000 (old vs new)");
    // "new" wins two games of three: the test must accept H1 long before
    // the thousandth game, and not before it has seen a loss.
    int played = 0;
    for (const auto& g : match.games()) {
        if (match.decided())
            break;
        GameEntry e;
        e.game = g.number;
        e.black = match.names()[g.black];
        e.white = match.names()[g.white];
        const bool new_wins = g.number % 3 != 0;
        e.result = (g.black == 0) == new_wins ? "1-0" : "0-1";
        match.finished(e);
        ++played;
    }
    EXPECT_GT(played, 3);
    EXPECT_LT(played, 100);
    EXPECT_NE(match.summary().find("H1 accepted"), std::string::npos) << match.summary();
    EXPECT_NE(match.summary_json().find("\"decision\":\"H1\""), std::string::npos);
}

}  // namespace
