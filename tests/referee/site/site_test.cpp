// The published run in-process: the CSV files against the games counted
// afresh, and the site's pages: every game reachable from both players'
// pages, faults and builds shown, and nothing from the results taken for
// markup.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "csv.h"
#include "match/random_results.h"
#include "random_games.h"
#include "records/game.h"
#include "referee/site/csv.h"
#include "referee/site/site.h"
#include "referee/stats/standings.h"

namespace {

namespace fs = std::filesystem;
using records::GameEntry;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Black's points, none for an unfinished game.
std::optional<double> black_points(const std::string& result) {
    if (result == "1-0")
        return 1.0;
    if (result == "0-1")
        return 0.0;
    if (result == "1/2-1/2")
        return 0.5;
    return std::nullopt;
}

std::vector<std::string> names(int count) {
    std::vector<std::string> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        out[static_cast<std::size_t>(i)] = "p" + std::to_string(i);
    return out;
}

TEST(SiteCsv, FieldsReadBackAsWritten) {
    const std::vector<std::string> fields = {"plain",      "a,b", "say \"hi\"", " padded ",
                                             "two\nlines", "",    "=1+2",       "x\r"};
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i > 0 ? "," : "") + referee::site::csv_field(fields[i]);
    const auto rows = site_test::read_csv(line + "\n");
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0], fields);
}

// Above the summary's 40 players the CSVs still hold everyone; every cell
// and every standings row agrees with the games counted here.
TEST(SiteCsv, CrosstableAndStandingsAgreeWithTheGames) {
    const auto players = names(45);
    const auto games =
        referee_test::random_results(players, referee::TournamentKind::RoundRobin, 2, 7);
    const auto standings = referee::compute_standings(players, games);
    EXPECT_NE(referee::summary_text(standings).find("Crosstable left out"), std::string::npos);

    std::map<std::pair<std::string, std::string>, std::pair<double, int>> met;  // points, games
    std::map<std::string, std::array<int, 3>> record;  // wins, losses, draws
    for (const auto& g : games) {
        const auto points = black_points(g.result);
        if (!points)
            continue;
        met[{g.black, g.white}].first += *points;
        met[{g.black, g.white}].second += 1;
        met[{g.white, g.black}].first += 1 - *points;
        met[{g.white, g.black}].second += 1;
        const int black = *points == 1 ? 0 : *points == 0 ? 1 : 2;
        const int white = black == 2 ? 2 : 1 - black;
        ++record[g.black][static_cast<std::size_t>(black)];
        ++record[g.white][static_cast<std::size_t>(white)];
    }

    const auto table = site_test::read_csv(referee::site::standings_csv(standings));
    const auto cross = site_test::read_csv(referee::site::crosstable_csv(standings));
    ASSERT_EQ(table.size(), 46U);
    ASSERT_EQ(cross.size(), 46U);
    ASSERT_EQ(cross[0].size(), 47U);
    double last_points = 1e9;
    for (std::size_t r = 1; r < table.size(); ++r) {
        const auto& row = table[r];
        ASSERT_EQ(row.size(), 12U);
        EXPECT_EQ(row[11], "") << "no game ended by a fault";
        const std::string& name = row[1];
        SCOPED_TRACE(name);
        EXPECT_EQ(row[0], std::to_string(r));
        EXPECT_EQ(cross[r][1], name) << "both files list the players in standings order";
        EXPECT_EQ(cross[0][r + 1], name);
        const auto& [wins, losses, draws] = record[name];
        EXPECT_EQ(std::stoi(row[4]), wins);
        EXPECT_EQ(std::stoi(row[5]), losses);
        EXPECT_EQ(std::stoi(row[6]), draws);
        EXPECT_EQ(std::stoi(row[3]), wins + losses + draws);
        const double points = std::stod(row[2]);
        EXPECT_DOUBLE_EQ(points, wins + 0.5 * draws);
        EXPECT_LE(points, last_points) << "best first";
        last_points = points;
        const double rating = std::stod(row[8]);
        EXPECT_LE(std::stod(row[9]), rating);
        EXPECT_GE(std::stod(row[10]), rating);

        double row_points = 0;
        for (std::size_t c = 2; c < cross[r].size(); ++c) {
            const std::string& opponent = cross[0][c];
            const std::string& cell = cross[r][c];
            if (opponent == name) {
                EXPECT_EQ(cell, "x");
                continue;
            }
            const auto found = met.find({name, opponent});
            if (found == met.end()) {
                EXPECT_EQ(cell, "-") << opponent;
                continue;
            }
            std::ostringstream expected;
            expected << found->second.first << '/' << found->second.second;
            EXPECT_EQ(cell, expected.str()) << opponent;
            row_points += found->second.first;
        }
        EXPECT_DOUBLE_EQ(row_points, points);
    }
}

// Moves that replay: a seeded walk over the moves either reading allows.
std::vector<std::string> legal_moves(unsigned seed, int plies) {
    std::mt19937 random(seed);
    auto board = rules::Board::starting(8, 8);
    std::vector<std::string> out;
    for (int ply = 1; ply <= plies; ++ply) {
        const auto moves = test_support::moves_of_either_reading(board, records::mover(ply));
        if (moves.empty())
            break;
        const auto& move = moves[random() % moves.size()];
        board.apply(move);
        out.push_back(protocol::format_move(move));
    }
    return out;
}

// The name as a page shows it.
std::string escaped(const std::string& name) {
    std::string shown = std::regex_replace(name, std::regex("&"), "&amp;");
    shown = std::regex_replace(shown, std::regex("<"), "&lt;");
    shown = std::regex_replace(shown, std::regex(">"), "&gt;");
    shown = std::regex_replace(shown, std::regex("\""), "&quot;");
    return std::regex_replace(shown, std::regex("'"), "&#39;");
}

// Every link of a page whose address matches `pattern`, by its first group.
std::set<std::string> links(const std::string& page, const std::string& pattern) {
    std::set<std::string> out;
    const std::regex link("href=\"" + pattern + "\"");
    for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it)
        out.insert((*it)[1]);
    return out;
}

class Site : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "site_test_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

// Hostile names and build output, faults in some games and a player left
// out by its build: every game has a page linked from both its players'
// pages, each player's page is linked from the index, faults are counted
// by kind, and no text from the results turns into markup.
TEST_F(Site, EveryGameReachableFromBothPlayersAndNothingTakenForMarkup) {
    const std::vector<std::string> players = {"<script>alert(1)</script>", "Tom & \"Jerry\"",
                                              "carol", "dave", "eve's"};
    auto games = referee_test::random_results(players, referee::TournamentKind::RoundRobin, 2, 3);
    std::map<std::string, std::map<std::string, int>> faults;  // player, kind -> games
    const char* kinds[] = {"time-forfeit", "malformed-line", "exited"};
    for (auto& g : games) {
        g.moves = legal_moves(static_cast<unsigned>(g.game), 6 + g.game % 9);
        g.plies = static_cast<int>(g.moves.size());
        if (g.game % 3 == 0 && g.result != "*") {
            const bool black = g.result == "0-1";
            const std::string kind = kinds[g.game % 2 == 0 ? 0 : g.game % 5 == 0 ? 1 : 2];
            g.fault = records::Fault{black ? g.black : g.white, black ? "black" : "white", kind};
            ++faults[g.fault->player][kind];
        }
    }
    const std::vector<records::Build> builds = {
        {"carol", true, "", 1.25, "compiled <ok>\n"},
        {"<img src=x onerror=alert(2)>", false, "exited with status 2", 0.5,
         "error: </pre><script>alert(3)</script>\n\tat line 1\n"}};
    const auto standings = referee::compute_standings(players, games);
    ASSERT_TRUE(referee::site::write_site(dir_, {games, builds, standings}, std::cerr));

    const std::string index = read(dir_ / "index.html");
    const auto player_pages = links(index, "(players/player-[0-9]+\\.html)");
    ASSERT_EQ(player_pages.size(), players.size() + 1) << "the left-out player too";
    std::map<std::string, std::string> page_of;  // shown name -> page text
    for (const auto& page : player_pages) {
        const std::string text = read(dir_ / page);
        std::smatch heading;
        ASSERT_TRUE(std::regex_search(text, heading, std::regex("<h1>([^<]*)</h1>"))) << page;
        page_of[heading[1]] = text;
    }
    for (const auto& game : games) {
        SCOPED_TRACE(game.game);
        const std::string page = "game-" + std::to_string(game.game) + ".html";
        EXPECT_TRUE(fs::exists(dir_ / "games" / page));
        for (const auto& name : {game.black, game.white}) {
            const std::string shown = escaped(name);
            ASSERT_TRUE(page_of.contains(shown)) << shown;
            EXPECT_TRUE(links(page_of[shown], "\\.\\./games/(game-[0-9]+\\.html)").contains(page))
                << name;
        }
    }
    EXPECT_EQ(links(read(dir_ / "games" / "index.html"), "(game-[0-9]+\\.html)").size(),
              games.size());

    // Faults: a row per kind with its count, on the page of the player at fault.
    for (const auto& name : players) {
        const std::string& page = page_of.at(escaped(name));
        for (const char* kind : kinds) {
            const auto found = faults[name].find(kind);
            const std::regex row(std::string("<tr><td>") + kind + "</td><td class=\"n\">([0-9]+)<");
            std::smatch count;
            if (found == faults[name].end()) {
                EXPECT_FALSE(std::regex_search(page, count, row)) << name << ' ' << kind;
            } else {
                ASSERT_TRUE(std::regex_search(page, count, row)) << name << ' ' << kind;
                EXPECT_EQ(std::stoi(count[1]), found->second) << name << ' ' << kind;
            }
        }
    }

    // standings.csv counts the same faults.
    const auto table = site_test::read_csv(read(dir_ / "standings.csv"));
    for (std::size_t r = 1; r < table.size(); ++r) {
        std::map<std::string, int> counted;
        std::istringstream parts(table[r][11]);
        for (std::string part; std::getline(parts, part, ',');) {
            std::istringstream words(part);
            int count = 0;
            std::string kind;
            words >> count >> kind;
            counted[kind] = count;
        }
        EXPECT_EQ(counted, faults[table[r][1]]) << table[r][1];
    }

    // The builds: carol's output, and the left-out player with why.
    EXPECT_NE(page_of.at("carol").find("compiled &lt;ok&gt;"), std::string::npos);
    const std::string& left = page_of.at("&lt;img src=x onerror=alert(2)&gt;");
    EXPECT_NE(left.find("Left out of the run: the build exited with status 2"), std::string::npos);
    EXPECT_NE(left.find("&lt;/pre&gt;&lt;script&gt;alert(3)"), std::string::npos);
    EXPECT_NE(left.find("\tat line 1"), std::string::npos) << "tabs kept in the output";
    EXPECT_NE(index.find("id=\"left-out\""), std::string::npos);

    for (const auto& file : fs::recursive_directory_iterator(dir_)) {
        if (file.path().extension() != ".html")
            continue;
        // A game page carries the names as script data, where only "<" could
        // end the script; elsewhere every name is text.
        const std::string text = read(file.path());
        const bool game = file.path().parent_path().filename() == "games" &&
                          file.path().filename() != "index.html";
        for (const char* markup : {"<script>alert", "<img src=x", "Tom & \"", "eve's"}) {
            if (!game || markup[0] == '<') {
                EXPECT_EQ(text.find(markup), std::string::npos) << file.path() << ": " << markup;
            }
        }
    }
    EXPECT_EQ(read(dir_ / "standings.csv"), referee::site::standings_csv(standings));
    EXPECT_EQ(read(dir_ / "crosstable.csv"), referee::site::crosstable_csv(standings));
}

}  // namespace
