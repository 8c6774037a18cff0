// The page in a real browser, on two real games: at every ply it must show
// on every square what the board holds after that ply, which tests the
// page's own move code and drawing, not the C++ that wrote the page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "process_runner.h"
#include "records/record.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using test_support::run_process;

constexpr const char* kChromium = "/usr/bin/chromium";

std::string read(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ReplayBrowser : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kChromium))
            GTEST_SKIP() << kChromium << " is not installed: the page is not tested in a browser";
        std::string pattern = (fs::temp_directory_path() / "replay_browser_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // The DOM of `page` opened at each address ("#ply=12"; "#ply=all" has
    // the page walk through every position), after its script ran: a fresh
    // browser per address, two at a time, as each takes seconds to start
    // on a busy machine.
    std::map<std::string, std::string> doms(const std::string& page,
                                            const std::vector<std::string>& plies) const {
        std::string input;
        for (const auto& ply : plies)
            input += ply + '\n';
        const std::string browser =
            std::string("timeout 120 ") + kChromium +
            " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
            " --disable-background-networking --disable-component-update --disable-sync"
            " --user-data-dir=\"$0/profile-{}\" --dump-dom \"file://$1#ply={}\""
            " > \"$0/dom-{}.html\" 2>/dev/null";
        const auto run = run_process(
            {"xargs", "-P", "2", "-I", "{}", "sh", "-c", browser, dir_.string(), page}, input);
        EXPECT_EQ(run.status, 0) << run.err;
        std::map<std::string, std::string> out;
        for (const auto& ply : plies)
            out[ply] = read(dir_ / ("dom-" + ply + ".html"));
        return out;
    }

    fs::path dir_;
};

void expect_drawn(const std::string& drawing, const records::Game& game, int ply,
                  const rules::Board& board) {
    std::optional<protocol::MoveLine> last;
    if (ply > 0)
        last = game.moves[static_cast<std::size_t>(ply - 1)].move;
    const auto drawn = replay_test::drawing_in(drawing, game.rows, game.columns);
    EXPECT_EQ(drawn.letters, replay_test::letters(board));
    EXPECT_EQ(drawn.marks, replay_test::marks_of(last));
    EXPECT_NE(drawing.find(std::to_string(ply) + " / " + std::to_string(game.plies())),
              std::string::npos);
    if (last) {
        EXPECT_NE(drawing.find(last->action == 'B' ? "class=\"shot\"" : "class=\"step\""),
                  std::string::npos);
    }
}

// The copies of every ply's drawing that "#ply=all" leaves in the page.
std::vector<std::string> every_ply(const std::string& dom) {
    std::vector<std::string> drawings;
    const std::string marker = "<div data-ply=\"";
    for (auto at = dom.find(marker, dom.find("id=\"every-ply\"")); at != std::string::npos;) {
        const auto next = dom.find(marker, at + 1);
        drawings.push_back(dom.substr(at, next - at));
        at = next;
    }
    return drawings;
}

TEST_F(ReplayBrowser, EveryPlyOfTwoRealGames) {
    const fs::path record = dir_ / "match.txt";
    const auto played = run_process(
        {REFEREE, "--quiet", "--games", "2", "--record", record.string(), TREEPLAYER, GRIDPLAYER},
        "");
    ASSERT_EQ(played.status, 0) << played.err;
    // Names are the players' to choose: on the page they must stay text.
    std::string text = read(record);
    const std::string hostile = "<b>bold</b></script><img src=x onerror=\\\"document.title=1\\\">";
    text.replace(text.find("[White \"gridplayer\"]"), 20, "[White \"" + hostile + "\"]");
    std::ofstream(record) << text;
    auto read_back = records::read_record(text);
    const auto& games = std::get<std::vector<records::Game>>(read_back);
    ASSERT_EQ(games.size(), 2U);

    for (int number = 1; number <= 2; ++number) {
        const records::Game& game = games[static_cast<std::size_t>(number - 1)];
        const std::string page = (dir_ / ("game" + std::to_string(number) + ".html")).string();
        ASSERT_EQ(
            run_process({REPLAY, record.string(), "--game", std::to_string(number), "--html", page},
                        "")
                .status,
            0);
        const std::string end = std::to_string(game.plies());
        auto shown = doms(page, {"all", "0", std::to_string(game.plies() / 2), end});
        const auto drawings = every_ply(shown["all"]);
        ASSERT_EQ(drawings.size(), static_cast<std::size_t>(game.plies()) + 1);

        auto board = rules::Board::starting(game.rows, game.columns);
        for (int ply = 0; ply <= game.plies(); ++ply) {
            SCOPED_TRACE("game " + std::to_string(number) + " ply " + std::to_string(ply));
            if (ply > 0)
                board.apply(game.moves[static_cast<std::size_t>(ply - 1)].move);
            expect_drawn(drawings[static_cast<std::size_t>(ply)], game, ply, board);
            if (shown.contains(std::to_string(ply)))
                expect_drawn(shown[std::to_string(ply)], game, ply, board);
        }
        EXPECT_NE(shown[end].find("Result " + game.result), std::string::npos);
        EXPECT_NE(shown[end].find(game.tag("Termination")), std::string::npos);
        EXPECT_EQ(shown[end].find("<img"), std::string::npos);
        EXPECT_EQ(shown[end].find("<b>bold"), std::string::npos);
        // Game 1's players are named on both pages: in the title of its own,
        // in the index of the match's games on the other, as text each time.
        EXPECT_NE(shown[end].find("&lt;b&gt;bold"), std::string::npos);
    }

    // A picture for people to look at: game 2 (its names are the programs')
    // just after its first shot.
    const records::Game& second = games[1];
    int shot = 1;
    while (shot < second.plies() &&
           second.moves[static_cast<std::size_t>(shot - 1)].move.action != 'B')
        ++shot;
    const auto picture =
        run_process({kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--user-data-dir=" + (dir_ / "profile-shot").string(),
                     "--window-size=1200,800", std::string("--screenshot=") + SCREENSHOT,
                     "file://" + (dir_ / "game2.html").string() + "#ply=" + std::to_string(shot)},
                    "");
    EXPECT_EQ(picture.status, 0);
    EXPECT_GT(fs::file_size(SCREENSHOT), 10000U);
}

// A phone's width: a match of two games on the widest board gridplayer
// plays, opened at 360 px, shows every column whole without scrolling
// sideways; Flip turns the board round, the index opens another game and
// Play steps on its own. A person's use of the page, through chromedriver.
TEST_F(ReplayBrowser, APhonesWidthShowsEveryColumnAndTheControlsWork) {
    if (!fs::exists("/usr/bin/chromedriver") || !fs::exists("/usr/bin/python3"))
        GTEST_SKIP() << "chromedriver or Debian's python3 is missing";
    const fs::path record = dir_ / "wide.txt";
    const auto played =
        run_process({REFEREE, "--quiet", "--games", "2", "--rows", "10", "--columns", "10",
                     "--record", record.string(), GRIDPLAYER, GRIDPLAYER},
                    "");
    ASSERT_EQ(played.status, 0) << played.err;
    auto read_back = records::read_record(read(record));
    const auto& games = std::get<std::vector<records::Game>>(read_back);
    ASSERT_EQ(games.size(), 2U);
    const std::string page = (dir_ / "wide.html").string();
    ASSERT_EQ(run_process({REPLAY, record.string(), "--html", page}, "").status, 0);

    const auto probe = run_process({"timeout", "120", "/usr/bin/python3", PROBE, page, "360"}, "");
    ASSERT_EQ(probe.status, 0) << probe.err;
    const auto found = nlohmann::json::parse(probe.out);

    const double viewport = found["viewport"];
    EXPECT_EQ(viewport, 360);
    EXPECT_LE(found["scroll_width"].get<double>(), viewport);
    ASSERT_EQ(found["columns"].size(), 10U);
    for (const auto& [x, span] : found["columns"].items()) {
        SCOPED_TRACE("column " + x);
        EXPECT_GE(span[0].get<double>(), 0);
        EXPECT_LE(span[1].get<double>(), viewport);
        EXPECT_GT(span[1].get<double>() - span[0].get<double>(), 20);  // still a square to tap
    }

    // Flipped, square (0,0) stands where (9,9) stood, and the other way round.
    const auto& flip = found["flipped"];
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(flip["after"][0][i].get<double>(), flip["before"][1][i].get<double>(), 0.5);
        EXPECT_NEAR(flip["after"][1][i].get<double>(), flip["before"][0][i].get<double>(), 0.5);
    }

    ASSERT_EQ(found["index"].size(), 2U);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string entry = found["index"][i];
        EXPECT_NE(entry.find(games[i].result), std::string::npos) << entry;
        EXPECT_NE(entry.find(std::to_string(games[i].plies()) + " plies"), std::string::npos);
    }
    EXPECT_NE(found["after_index"]["title"].get<std::string>().find("Game 2"), std::string::npos);
    EXPECT_EQ(found["after_index"]["counter"], "0 / " + std::to_string(games[1].plies()));

    const std::string counter = found["playing"]["counter"];
    EXPECT_GE(std::stoi(counter), 2);
    EXPECT_EQ(found["playing"]["label"], "Stop");
}

}  // namespace
