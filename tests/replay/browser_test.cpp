// The page in a real browser: opened at every ply of two real games, it
// must show on every square what the board holds after that ply, which
// tests the page's own move code and drawing, not the C++ that wrote it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "process_runner.h"
#include "replay/record.h"
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

    std::string page(const fs::path& record, int game) const {
        std::string path = (dir_ / ("game" + std::to_string(game) + ".html")).string();
        const auto run = run_process(
            {REPLAY, record.string(), "--game", std::to_string(game), "--html", path}, "");
        EXPECT_EQ(run.status, 0) << run.err;
        return path;
    }

    // The DOM of `page` opened at each of the `plies` ("12", or "all" for
    // the page's own walk through every position), after its script ran. A
    // fresh browser per address, two at a time, as one costs a second or
    // more to start on a busy machine.
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
        for (const auto& ply : plies) {
            out[ply] = read(dir_ / ("dom-" + ply + ".html"));
            fs::remove_all(dir_ / ("profile-" + ply));
        }
        return out;
    }

    fs::path dir_;
};

// What one drawing of the board shows against the board after `ply` moves.
void expect_drawn(const std::string& drawing, const replay::Game& game, int ply,
                  const replay::Board& board) {
    const auto squares = replay_test::squares_in(drawing);
    EXPECT_EQ(replay_test::first_difference(squares, board), "");
    EXPECT_NE(drawing.find(std::to_string(ply) + " / " + std::to_string(game.plies())),
              std::string::npos);
    if (ply == 0 || squares.empty())
        return;
    const auto& move = game.moves[static_cast<std::size_t>(ply - 1)].move;
    EXPECT_NE(squares.at({move.x1, move.y1}).rect_class.find("from"), std::string::npos);
    EXPECT_NE(squares.at({move.x2, move.y2}).rect_class.find("to"), std::string::npos);
    EXPECT_NE(drawing.find(move.action == 'B' ? "class=\"shot\"" : "class=\"step\""),
              std::string::npos);
}

// The page opened with "#ply=all" keeps a copy of the drawing of every ply;
// the copies, split by their ply.
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
    auto read_back = replay::read_record(read(record));
    const auto& games = std::get<std::vector<replay::Game>>(read_back);
    ASSERT_EQ(games.size(), 2U);

    for (int number = 1; number <= 2; ++number) {
        const replay::Game& game = games[static_cast<std::size_t>(number - 1)];
        const std::string middle = std::to_string(game.plies() / 2);
        const std::string end = std::to_string(game.plies());
        auto shown = doms(page(record, number), {"all", "0", middle, end});
        const auto drawings = every_ply(shown["all"]);
        ASSERT_EQ(drawings.size(), static_cast<std::size_t>(game.plies()) + 1);

        auto board = replay::Board::starting(game.rows, game.columns);
        for (int ply = 0; ply <= game.plies(); ++ply) {
            SCOPED_TRACE("game " + std::to_string(number) + " ply " + std::to_string(ply));
            if (ply > 0)
                board.apply(game.moves[static_cast<std::size_t>(ply - 1)].move);
            expect_drawn(drawings[static_cast<std::size_t>(ply)], game, ply, board);
            // Opened at "#ply=N" the page shows the same.
            const std::string address = std::to_string(ply);
            if (shown.contains(address))
                expect_drawn(shown[address].substr(0, shown[address].find("every-ply")), game, ply,
                             board);
        }
        EXPECT_NE(shown[end].find("Result " + game.result), std::string::npos);
        EXPECT_NE(shown[end].find(game.tag("Termination")), std::string::npos);
    }

    // A picture for people to look at: game 1 just after its first shot.
    int shot = 0;
    while (shot < games[0].plies() &&
           games[0].moves[static_cast<std::size_t>(shot)].move.action != 'B')
        ++shot;
    const auto picture = run_process(
        {kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--user-data-dir=" + (dir_ / "profile-shot").string(), "--window-size=1200,800",
         std::string("--screenshot=") + SCREENSHOT,
         "file://" + (dir_ / "game1.html").string() + "#ply=" + std::to_string(shot + 1)},
        "");
    EXPECT_EQ(picture.status, 0);
    EXPECT_GT(fs::file_size(SCREENSHOT), 10000U);
}

// Names are the players' to choose: on the page they are text, never markup,
// and the page's script still runs.
TEST_F(ReplayBrowser, NamesCannotInjectMarkup) {
    const fs::path record = dir_ / "hostile.txt";
    std::ofstream(record)
        << "[Black \"</script><img src=x onerror=\\\"document.body.id='pwned'\\\">\"]\n"
           "[White \"<b>bold</b>\"]\n\nS 0 5 M 0 4\n*\n";
    const std::string dom = doms(page(record, 1), {"1"})["1"];
    auto board = replay::Board::starting(8, 8);
    board.apply({'S', 0, 5, 'M', 0, 4});
    EXPECT_EQ(replay_test::first_difference(replay_test::squares_in(dom), board), "");
    EXPECT_EQ(dom.find("pwned\""), std::string::npos);
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(dom.find("<b>bold"), std::string::npos);
    EXPECT_NE(dom.find("&lt;b&gt;bold&lt;/b&gt; (white)"), std::string::npos);
}

}  // namespace
