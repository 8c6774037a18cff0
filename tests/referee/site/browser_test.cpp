// A real run of four bots published with --site, and the same results
// published by --merge: the files agree with what --merge prints, and a
// real browser reaches every game from both its players' pages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "csv.h"
#include "process_runner.h"
#include "records/results.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using test_support::run_process;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool can_drive_a_browser() {
    return fs::exists("/usr/bin/chromium") && fs::exists("/usr/bin/chromedriver") &&
           fs::exists("/usr/bin/python3");
}

class PublishedSite : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "site_browser_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

// The standings rows and crosstable rows of the summary text, as fields.
struct Summary {
    // The CSV's fields, the score without " %", the faults from their section.
    std::vector<std::vector<std::string>> standings;
    std::vector<std::vector<std::string>> crosstable;  // rank, player, cells
};

Summary read_summary(const std::string& text) {
    Summary out;
    std::istringstream lines(text);
    const std::regex standing(
        R"(^ *([0-9]+)  (\S+) +([0-9.]+) +([0-9]+) +([0-9]+) +([0-9]+) +([0-9]+) +([0-9.]+) % +)"
        R"(([-+][0-9.]+)  \[([-+][0-9.]+), ([-+][0-9.]+)\]$)");
    bool cross = false;
    bool faults = false;
    std::map<std::string, std::string> fault_counts;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (line.starts_with("Faults (")) {
            faults = true;
            continue;
        }
        if (faults && line.starts_with("  ")) {
            const auto colon = line.find(": ");
            fault_counts[line.substr(2, colon - 2)] = line.substr(colon + 2);
            continue;
        }
        if (line.starts_with("Crosstable (")) {
            cross = true;
            std::getline(lines, line);  // the column numbers
            continue;
        }
        if (cross) {
            std::istringstream words(line);
            std::vector<std::string> row{std::istream_iterator<std::string>(words), {}};
            if (row.empty() || !std::isdigit(static_cast<unsigned char>(row[0][0]))) {
                cross = false;
                continue;
            }
            out.crosstable.push_back(row);
        } else if (std::regex_match(line, m, standing)) {
            out.standings.emplace_back(m.begin() + 1, m.end());
        }
    }
    for (auto& row : out.standings)
        row.push_back(fault_counts[row[1]]);
    return out;
}

// The games a run publishes come from its results file when it has one
// (a run resumed with nothing left to play publishes every game of it) and
// from memory otherwise: the same bots give the same site either way.
TEST_F(PublishedSite, SameFromMemoryAsFromTheResultsFile) {
    const auto run = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {REFEREE, "-q", "--time", "20", "--plies", "60"};
        args.insert(args.end(), extra.begin(), extra.end());
        for (int seed = 1; seed <= 3; ++seed)
            args.push_back(std::string(RANDOMBOT) + " --seed " + std::to_string(seed));
        const auto result = run_process(args, "");
        EXPECT_EQ(result.status, 0) << result.err;
        return result.out;
    };
    run({"--site", (dir_ / "memory").string()});
    const std::string results = (dir_ / "r.jsonl").string();
    run({"--results", results});
    const std::string resumed = run({"--results", results, "--site", (dir_ / "file").string()});
    EXPECT_EQ(resumed.find("Finished game"), std::string::npos) << "nothing left to play";
    for (const char* file :
         {"standings.csv", "crosstable.csv", "index.html", "games/index.html",
          "players/player-1.html", "players/player-2.html", "players/player-3.html"}) {
        const std::string memory = read(dir_ / "memory" / file);
        EXPECT_FALSE(memory.empty()) << file;
        EXPECT_EQ(memory, read(dir_ / "file" / file)) << file;
    }
    for (int game = 1; game <= 3; ++game) {
        const std::string page = "games/game-" + std::to_string(game) + ".html";
        EXPECT_TRUE(fs::exists(dir_ / "memory" / page)) << page;
        EXPECT_TRUE(fs::exists(dir_ / "file" / page)) << page;
    }
}

// Ten games of five bots, one a name with markup in it, one that breaks
// the rules after two moves; the files of the run's site and of --merge's
// are the same, and agree with the summary --merge prints, faults and all; in the browser every
// player's page is reached from the standings, every game from both its players' pages, and each
// game page replays that game.
TEST_F(PublishedSite, AgreesWithMergeAndReachesEveryGameFromBothPlayers) {
    const std::vector<std::string> names = {"alpha", "<i>bee</i>", "carol", "dave"};
    std::vector<std::string> run = {REFEREE,         "-q",
                                    "--time",        "20",
                                    "--plies",       "80",
                                    "--concurrency", "2",
                                    "--results",     (dir_ / "r.jsonl").string(),
                                    "--site",        (dir_ / "run").string()};
    for (std::size_t i = 0; i < names.size(); ++i)
        run.insert(run.end(), {"--name", names[i],
                               std::string(RANDOMBOT) + " --seed " + std::to_string(i + 1)});
    run.insert(run.end(), {"--name", "faulty", FAKE_PLAYER " --mode illegal --after 2"});
    const auto played = run_process(run, "");
    ASSERT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.out.find("Site written to " + (dir_ / "run" / "index.html").string()),
              std::string::npos)
        << played.out;

    const auto merged =
        run_process({REFEREE, "--merge", (dir_ / "r.jsonl").string(), "--site",
                     (dir_ / "merged").string(), "--crosstable", (dir_ / "cross.csv").string()},
                    "");
    ASSERT_EQ(merged.status, 0) << merged.err;
    for (const char* file : {"standings.csv", "crosstable.csv", "index.html"})
        EXPECT_EQ(read(dir_ / "run" / file), read(dir_ / "merged" / file)) << file;
    EXPECT_EQ(read(dir_ / "cross.csv"), read(dir_ / "merged" / "crosstable.csv"));

    const Summary summary = read_summary(merged.out);
    auto standings = site_test::read_csv(read(dir_ / "merged" / "standings.csv"));
    ASSERT_EQ(standings.size(), names.size() + 2) << merged.out;
    standings.erase(standings.begin());
    EXPECT_EQ(summary.standings, standings) << merged.out;
    auto crosstable = site_test::read_csv(read(dir_ / "merged" / "crosstable.csv"));
    crosstable.erase(crosstable.begin());
    EXPECT_EQ(summary.crosstable, crosstable) << merged.out;

    if (!can_drive_a_browser())
        GTEST_SKIP() << "chromium, chromedriver or Debian's python3 is missing: the site is "
                        "checked as files only";
    const auto walked = run_process(
        {"timeout", "240", "/usr/bin/python3", WALKER, (dir_ / "merged").string(), SCREENSHOTS},
        "");
    ASSERT_EQ(walked.status, 0) << walked.err;
    const json seen = json::parse(walked.out, nullptr, false);
    ASSERT_FALSE(seen.is_discarded()) << walked.out;

    std::vector<std::string> shown;
    for (const auto& row : seen["standings"])
        shown.push_back(row[1]);
    std::vector<std::string> listed;
    listed.reserve(standings.size());
    for (const auto& row : standings)
        listed.push_back(row[1]);
    EXPECT_EQ(shown, listed) << "the names read as text, markup and all";
    std::vector<std::vector<std::string>> cells;
    for (const auto& row : seen["crosstable"])
        cells.push_back(row.get<std::vector<std::string>>());
    for (auto& row : crosstable)
        row.erase(row.begin());
    EXPECT_EQ(cells, crosstable);

    std::map<std::string, std::set<int>> reached;  // player -> games linked from its page
    const std::regex number("/games/game-([0-9]+)\\.html$");
    for (const auto& player : seen["players"]) {
        for (const auto& link : player["games"]) {
            std::smatch m;
            const std::string address = link;
            ASSERT_TRUE(std::regex_search(address, m, number)) << address;
            reached[player["name"]].insert(std::stoi(m[1]));
        }
    }
    std::ifstream in(dir_ / "r.jsonl");
    const auto results = records::read_results(in, "r.jsonl");
    ASSERT_EQ(results.games.size(), 10U);
    for (const auto& game : results.games) {
        SCOPED_TRACE(game.game);
        EXPECT_TRUE(reached[game.black].contains(game.game));
        EXPECT_TRUE(reached[game.white].contains(game.game));
        const std::string page = "file://" + (dir_ / "merged" / "games").string() + "/game-" +
                                 std::to_string(game.game) + ".html";
        ASSERT_TRUE(seen["games"].contains(page)) << page;
        const json& drawn = seen["games"][page];
        EXPECT_EQ(drawn["black"], game.black);
        EXPECT_EQ(drawn["white"], game.white);
        EXPECT_EQ(drawn["moves"], game.plies);
        EXPECT_EQ(drawn["counter"], "0 / " + std::to_string(game.plies));
    }
    EXPECT_EQ(seen["games"].size(), results.games.size());

    // The faulty bot lost its four games by illegal moves, and says so.
    EXPECT_NE(merged.out.find("faulty: 4 illegal-move"), std::string::npos) << merged.out;
    for (const auto& player : seen["players"]) {
        if (player["name"] == "faulty") {
            EXPECT_EQ(player["faults"], json::parse(R"([["illegal-move", "4"]])"));
        } else {
            EXPECT_TRUE(player["faults"].empty()) << player["name"];
        }
    }
}

}  // namespace
