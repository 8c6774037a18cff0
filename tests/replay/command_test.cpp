// The replay program as a user runs it: what it prints, what it writes and
// its exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "gamepage/svg.h"
#include "process_runner.h"
#include "record_moves.h"
#include "records/record.h"
#include "records/results.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ReplayCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "replay_test_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        record_ = (dir_ / "game.txt").string();
        std::ofstream(record_) << replay_test::random_record(3, 8, 8, 30);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static test_support::ProcessResult replay(std::vector<std::string> args) {
        args.insert(args.begin(), REPLAY);
        return test_support::run_process(args, "");
    }
    // The board after `ply` moves, from the record's move lines.
    std::string letters_after(int ply) const {
        auto board = rules::Board::starting(8, 8);
        const auto lines = test_support::record_moves(read(record_));
        for (int i = 0; i < ply; ++i)
            board.apply(*protocol::parse_move(lines[static_cast<std::size_t>(i)]));
        return replay_test::letters(board);
    }

    fs::path dir_;
    std::string record_;
};

TEST_F(ReplayCommand, ShowsAndDrawsTheAskedPly) {
    for (int ply : {0, 17, 30}) {
        const auto run = replay({record_, "--ply", std::to_string(ply), "--no-color"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(replay_test::letters_from_display(run.out), letters_after(ply));
    }
    const auto whole = replay({record_});
    EXPECT_EQ(replay_test::letters_from_display(whole.out).size(), 31U * 8 * 9);
    EXPECT_TRUE(whole.out.ends_with("Result: 1/2-1/2 {the ply limit was reached}\n"));

    // The picture shows the last position unless told another.
    const std::string svg = (dir_ / "p.svg").string();
    EXPECT_EQ(replay({record_, "--svg", svg}).status, 0);
    EXPECT_EQ(replay_test::drawing_in(read(svg), 8, 8).letters, letters_after(30));
    EXPECT_EQ(replay({record_, "--svg", svg, "--ply", "12"}).status, 0);
    EXPECT_EQ(replay_test::drawing_in(read(svg), 8, 8).letters, letters_after(12));
}

// A broken record is reported at its line and nothing is written.
TEST_F(ReplayCommand, BrokenRecordWritesNothing) {
    std::string text = read(record_);
    std::size_t third_move = text.find("\n\n") + 2;
    for (int i = 0; i < 2; ++i)
        third_move = text.find('\n', third_move) + 1;
    text.insert(third_move, "S 0 5 M 0 9 {0.1s}\n");
    const std::string broken = (dir_ / "broken.txt").string();
    std::ofstream(broken) << text;
    const std::string html = (dir_ / "page.html").string();
    const std::string svg = (dir_ / "p.svg").string();
    const auto run = replay({broken, "--html", html, "--svg", svg});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, broken + ":16: ply 3, S 0 5 M 0 9: (0,9) is off the 8x8 board\n");
    EXPECT_FALSE(fs::exists(html));
    EXPECT_FALSE(fs::exists(svg));
}

TEST_F(ReplayCommand, ExitStatuses) {
    const std::string nowhere = (dir_ / "missing" / "page.html").string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--help"}, 0, ""},
        {{record_, "--html", (dir_ / "page.html").string()}, 0, ""},
        {{}, 2, "replay: RECORD is required"},
        {{record_, "--bogus"}, 2, "--bogus"},
        {{record_, "--ply", "-1"}, 2, "--ply"},
        {{record_, "--ply", "31"}, 2, "game 1 ends after ply 30, there is no ply 31"},
        {{record_, "--game", "2"}, 2, "holds 1 game, not 2"},
        {{(dir_ / "none.txt").string()}, 2, "cannot read"},
        {{record_, "--html", nowhere}, 1, "replay: cannot write " + nowhere},
    };
    for (const auto& c : cases) {
        const auto run = replay(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_NE(read(dir_ / "page.html").find("<svg"), std::string::npos);
}

// A match record: replay says which game it shows and how many there are,
// the page carries them all for its index, and a picture says whose game,
// which ply and which move it shows.
TEST_F(ReplayCommand, MatchRecordsCountTheirGamesAndPicturesAreCaptioned) {
    const std::string match = (dir_ / "match.txt").string();
    std::ofstream(match) << replay_test::random_record(4, 8, 8, 20)
                         << replay_test::random_record(5, 8, 8, 25)
                         << replay_test::random_record(6, 8, 8, 30);
    const auto games = std::get<std::vector<records::Game>>(records::read_record(read(match)));
    ASSERT_EQ(games.size(), 3U);
    for (int k : {1, 3}) {
        std::vector<std::string> args = {match, "--no-color"};
        if (k > 1)
            args.insert(args.end(), {"--game", std::to_string(k)});
        const auto run = replay(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string first_line = run.out.substr(0, run.out.find('\n'));
        EXPECT_NE(first_line.find("game " + std::to_string(k) + " of 3"), std::string::npos)
            << first_line;
        EXPECT_NE(first_line.find("--game K"), std::string::npos) << first_line;
        // The positions shown are still the asked game's.
        EXPECT_EQ(
            replay_test::letters_from_display(run.out).size(),
            static_cast<std::size_t>(games[static_cast<std::size_t>(k - 1)].plies() + 1) * 8 * 9);
    }
    // A record of one game needs no count.
    EXPECT_EQ(replay({record_, "--no-color"}).out.find(" of 1"), std::string::npos);

    const std::string html = (dir_ / "match.html").string();
    ASSERT_EQ(replay({match, "--game", "2", "--html", html}).status, 0);
    const std::string page = read(html);
    const std::string open = "id=\"game-data\">";
    const auto at = page.find(open) + open.size();
    const auto data = nlohmann::json::parse(page.substr(at, page.find("</script>", at) - at));
    ASSERT_EQ(data["games"].size(), 3U);
    EXPECT_EQ(data["shown"], 1);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(data["games"][i]["moves"].size(), games[i].moves.size());

    const std::string svg = (dir_ / "p.svg").string();
    const records::Game& second = games[1];
    for (int ply : {0, 7, second.plies()}) {
        SCOPED_TRACE(ply);
        ASSERT_EQ(replay({match, "--game", "2", "--ply", std::to_string(ply), "--svg", svg}).status,
                  0);
        const std::string picture = read(svg);
        std::smatch caption;
        ASSERT_TRUE(std::regex_search(picture, caption,
                                      std::regex("<text class=\"caption\"[^>]*>([^<]*)</text>")));
        const std::string text = caption[1];
        EXPECT_NE(
            text.find(second.tag("Black") + " (black) vs " + second.tag("White") + " (white)"),
            std::string::npos)
            << text;
        EXPECT_NE(text.find("ply " + std::to_string(ply) + " of " + std::to_string(second.plies())),
                  std::string::npos)
            << text;
        if (ply > 0) {
            const auto& move = second.moves[static_cast<std::size_t>(ply - 1)].move;
            const std::string side = records::mover(ply) == rules::Side::Black ? "black" : "white";
            EXPECT_NE(text.find(side + " " + protocol::format_move(move)), std::string::npos)
                << text;
        }
        EXPECT_NE(picture.find("<title>" + text + "</title>"), std::string::npos);
        // The caption sits below the board, inside the picture.
        std::smatch height;
        ASSERT_TRUE(std::regex_search(picture, height, std::regex("height=\"(\\d+)\"")));
        std::smatch y;
        ASSERT_TRUE(
            std::regex_search(picture, y, std::regex("class=\"caption\"[^>]*y=\"(\\d+)\"")));
        EXPECT_GT(std::stoi(y[1]), gamepage::kMargin + 8 * gamepage::kCell);
        EXPECT_LT(std::stoi(y[1]), std::stoi(height[1]));
    }
}

}  // namespace

namespace {

// The page's data: the game it shows, as the page's script reads it.
nlohmann::json page_data(const std::string& page) {
    const std::string open = "id=\"game-data\">";
    const auto at = page.find(open) + open.size();
    return nlohmann::json::parse(page.substr(at, page.find("</script>", at) - at));
}

// The game pages an index links to, in order.
std::vector<std::string> linked_pages(const std::string& index) {
    std::vector<std::string> out;
    const std::regex link("href=\"(game-[0-9]+\\.html)\"");
    for (std::sregex_iterator it(index.begin(), index.end(), link), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

}  // namespace

// --html naming a folder writes every game's page and an index linking
// them, from a match record (games numbered by place) and from a results
// file (by their number in the run, a stopped game's "*" line giving way to
// its finished one); a file that does not replay leaves no folder.
TEST_F(ReplayCommand, HtmlFolderHoldsEveryGame) {
    const std::string match = (dir_ / "match.txt").string();
    const int plies[] = {20, 25, 30};
    std::ofstream(match) << replay_test::random_record(4, 8, 8, plies[0])
                         << replay_test::random_record(5, 8, 8, plies[1])
                         << replay_test::random_record(6, 8, 8, plies[2]);
    const fs::path pages = dir_ / "pages";
    const auto run = replay({match, "--html", pages.string() + "/"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3 games written to " + (pages / "index.html").string() + "\n");
    EXPECT_EQ(linked_pages(read(pages / "index.html")),
              (std::vector<std::string>{"game-1.html", "game-2.html", "game-3.html"}));
    for (int k = 1; k <= 3; ++k) {
        const auto data = page_data(read(pages / ("game-" + std::to_string(k) + ".html")));
        EXPECT_EQ(data["moves"].size(), static_cast<std::size_t>(plies[k - 1])) << k;
        EXPECT_FALSE(data.contains("games")) << "one game per page";
    }

    // A results file: games 7 and 9 of a run, 7 stopped once and played
    // again; an existing folder is written into.
    const auto entry = [](int number, unsigned seed, int length, const std::string& result) {
        records::GameEntry e;
        e.game = number;
        e.black = "<b>lack";
        e.white = "white";
        e.result = result;
        e.moves = test_support::record_moves(replay_test::random_record(seed, 8, 8, length));
        e.plies = length;
        return e;
    };
    const std::string results = (dir_ / "r.jsonl").string();
    std::ofstream(results) << records::game_line(entry(7, 1, 4, "*"))
                           << records::game_line(entry(9, 2, 12, "1-0"))
                           << records::game_line(entry(7, 3, 18, "0-1"));
    const fs::path folder = dir_ / "run";
    fs::create_directory(folder);
    ASSERT_EQ(replay({results, "--html", folder.string()}).status, 0);
    const std::string index = read(folder / "index.html");
    EXPECT_EQ(linked_pages(index), (std::vector<std::string>{"game-7.html", "game-9.html"}));
    EXPECT_NE(index.find("&lt;b&gt;lack"), std::string::npos) << "names are escaped";
    EXPECT_EQ(index.find("<b>lack"), std::string::npos);
    EXPECT_EQ(page_data(read(folder / "game-7.html"))["moves"].size(), 18U);
    EXPECT_EQ(page_data(read(folder / "game-9.html"))["moves"].size(), 12U);

    // One game to a file keeps working; a folder takes no --game.
    const std::string one = (dir_ / "nine.html").string();
    const auto nine = replay({results, "--game", "9", "--html", one});
    ASSERT_EQ(nine.status, 0);
    EXPECT_EQ(nine.out, "game 9 written to " + one + ", one of 2 games in " + results +
                            "; --html DIR/ writes every game's page\n");
    EXPECT_EQ(page_data(read(one))["moves"].size(), 12U);
    EXPECT_EQ(replay({results, "--game", "9", "--html", folder.string()}).status, 2);

    std::string broken = read(match);
    broken.insert(broken.rfind("\n\n") + 2, "S 0 5 M 0 9 {0.1s}\n");
    std::ofstream(dir_ / "broken.txt") << broken;
    const auto refused =
        replay({(dir_ / "broken.txt").string(), "--html", (dir_ / "no/").string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("off the 8x8 board"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir_ / "no"));
}
