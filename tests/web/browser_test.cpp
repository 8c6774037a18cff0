// The board in the browser, end to end: the referee serves gridplayer, and
// a headless chromium plays a whole game against it by clicks, watches a
// game of gridplayer against itself, follows a link that names a command
// and opens the page at a phone's width. Every position the page showed is
// checked against the game's record replayed on the rules library; the
// server's refusals are checked with plain HTTP.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "protocol/move_line.h"
#include "record_moves.h"
#include "referee/game/record.h"
#include "referee/match/standings.h"
#include "rules/board.h"
#include "rules/judge.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The referee serving the board, from its first line to its end.
class Served {
  public:
    explicit Served(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // One line once it listens.
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            url_ += c;
        ::close(out[0]);
        std::smatch parts;
        if (std::regex_match(url_, parts,
                             std::regex(R"(http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+))"))) {
            port_ = std::stoi(parts[1]);
            token_ = parts[2];
        }
    }
    ~Served() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    Served(const Served&) = delete;
    Served& operator=(const Served&) = delete;
    Served(Served&&) = delete;
    Served& operator=(Served&&) = delete;

    const std::string& url() const { return url_; }
    int port() const { return port_; }
    const std::string& token() const { return token_; }

  private:
    pid_t pid_ = -1;
    std::string url_;
    int port_ = 0;
    std::string token_;
};

std::string with_token(const std::string& path, const std::string& token) {
    return path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + token;
}

// The letters of a board, row by row, rows joined by '/' as the page's
// recorder writes them.
std::string letters(const rules::Board& board) {
    std::string out;
    for (int y = 0; y < board.rows(); ++y) {
        if (y > 0)
            out += '/';
        for (int x = 0; x < board.columns(); ++x)
            out += rules::letter(board.at(x, y));
    }
    return out;
}

std::string tag(const std::string& record, const std::string& name) {
    std::smatch found;
    std::regex_search(record, found, std::regex("\\[" + name + " \"([^\"]*)\"\\]"));
    return found.size() > 1 ? found[1].str() : "";
}

httplib::Client client(const Served& served) {
    return httplib::Client("127.0.0.1", served.port());
}

std::string record(const Served& served, int game) {
    auto got = client(served).Get(
        with_token("/api/games/" + std::to_string(game) + "/record", served.token()));
    return got && got->status == 200 ? got->body : "";
}

// Every board the page showed, in order, is the record's position after
// that many plies, each move of the record is legal, and the page ended on
// the record's result.
void expect_true_to_record(const Served& served, const json& seen) {
    const std::string text = record(served, seen["game"]);
    ASSERT_FALSE(text.empty());
    const auto moves = test_support::record_moves(text);
    EXPECT_EQ(seen["result"], tag(text, "Result"));
    std::vector<std::string> boards{letters(rules::Board::starting(8, 8))};
    auto board = rules::Board::starting(8, 8);
    auto side = rules::Side::Black;
    for (const auto& line : moves) {
        const auto move = protocol::parse_move(line);
        ASSERT_TRUE(move) << line;
        EXPECT_EQ(rules::refusal(board, side, *move, rules::RuleSet::Either), std::nullopt) << line;
        board.apply(*move);
        side = rules::opponent(side);
        boards.push_back(letters(board));
    }
    // Each position once, in order, from the first to the last.
    ASSERT_EQ(seen["boards"].size(), boards.size());
    for (std::size_t ply = 0; ply < boards.size(); ++ply) {
        EXPECT_EQ(seen["boards"][ply][0], ply);
        EXPECT_EQ(seen["boards"][ply][1], boards[ply]) << "ply " << ply;
    }
}

void expect_refused_with_reason(const json& refused) {
    const json& before = refused["before"];
    EXPECT_EQ(refused["after"], before);  // nothing moved, no ply passed
    EXPECT_EQ(before["ply"], "0");
    const std::string line = "S " + std::to_string(refused["from"][0].get<int>()) + " " +
                             std::to_string(refused["from"][1].get<int>()) + " M " +
                             std::to_string(refused["to"][0].get<int>()) + " " +
                             std::to_string(refused["to"][1].get<int>());
    const auto why = rules::refusal(rules::Board::starting(8, 8), rules::Side::Black,
                                    *protocol::parse_move(line), rules::RuleSet::Either);
    ASSERT_TRUE(why) << line << " is legal";
    EXPECT_NE(refused["message"].get<std::string>().find(*why), std::string::npos)
        << refused["message"];
}

void expect_every_column_in_view(const json& narrow) {
    EXPECT_EQ(narrow["viewport"], 360);
    EXPECT_LE(narrow["scroll_width"].get<double>(), 360);
    ASSERT_EQ(narrow["columns"].size(), 8U);
    for (const auto& [x, span] : narrow["columns"].items()) {
        EXPECT_GE(span[0].get<double>(), 0) << "column " << x;
        EXPECT_LE(span[1].get<double>(), 360) << "column " << x;
        EXPECT_GT(span[1].get<double>() - span[0].get<double>(), 30) << "column " << x;
    }
}

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "board_browser_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempDir() {
        if (!path_.empty())
            fs::remove_all(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    TempDir(TempDir&&) = delete;
    TempDir& operator=(TempDir&&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// One browser session, as it takes seconds to start: a person's whole game
// against gridplayer by clicks, with an illegal click pair on the way and a
// screenshot in the middle; a game of gridplayer against itself watched;
// a link that names a command; the page at a phone's width.
TEST(BoardInBrowser, APersonPlaysAWatcherFollowsAndALinkRunsNothing) {
    if (!fs::exists("/usr/bin/chromium") || !fs::exists("/usr/bin/chromedriver") ||
        !fs::exists("/usr/bin/python3"))
        GTEST_SKIP() << "chromium, chromedriver or Debian's python3 is missing";
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // Paced, so a game of two programs is watched as it is played.
    const Served served({REFEREE, "--serve", "0", "--plies", "40", "--delay", "30", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const fs::path marker = dir.path() / "ran";
    fs::remove(SCREENSHOT);
    const fs::path output = dir.path() / "seen.json";
    const std::string command = "timeout 240 /usr/bin/python3 " DRIVER " '" + served.url() +
                                "' gridplayer 'touch " + marker.string() + "' " SCREENSHOT + " > " +
                                output.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << "the browser run failed";
    std::ifstream in(output);
    const json seen = json::parse(in, nullptr, false);
    ASSERT_FALSE(seen.is_discarded());

    {
        SCOPED_TRACE("the person's game");
        const json& played = seen["played"];
        EXPECT_GE(played["clicked_moves"].get<int>(), 5);
        EXPECT_TRUE(played["result"] == "1-0" || played["result"] == "0-1" ||
                    played["result"] == "1/2-1/2")
            << played["result"];
        expect_true_to_record(served, played);
        expect_refused_with_reason(played["refused"]);
        EXPECT_GT(fs::file_size(SCREENSHOT), 10000U);
    }
    {
        SCOPED_TRACE("the watched game");
        expect_true_to_record(served, seen["watched"]);
    }
    {
        SCOPED_TRACE("the link");
        const json& link = seen["link"];
        EXPECT_NE(link["message"].get<std::string>().find("no program named"), std::string::npos)
            << link["message"];
        EXPECT_EQ(link["games"].size(), 2U);  // the two games above, no third
        EXPECT_FALSE(fs::exists(marker));
    }
    {
        SCOPED_TRACE("a phone's width");
        expect_every_column_in_view(seen["narrow"]);
    }
}

// A link starts a round robin of three programs, one game per pairing; the
// page follows each game as it is played and shows the standings. They must
// be the referee's own summary of the games the server lists, and every
// position shown must be true to each game's record.
TEST(BoardInBrowser, ALinkRunsATournamentWatchedGameByGameWithItsStandings) {
    if (!fs::exists("/usr/bin/chromium") || !fs::exists("/usr/bin/chromedriver") ||
        !fs::exists("/usr/bin/python3"))
        GTEST_SKIP() << "chromium, chromedriver or Debian's python3 is missing";
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // Long enough for most games to be won, short enough to take seconds.
    const Served served({REFEREE, "--serve", "0", "--plies", "100", "--delay", "5", "--time", "10",
                         GRIDPLAYER, TREEPLAYER, RANDOMBOT});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const fs::path output = dir.path() / "seen.json";
    const std::string command = "timeout 280 /usr/bin/python3 " DRIVER " match '" + served.url() +
                                "' gridplayer,treeplayer,randombot > " + output.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << "the browser run failed";
    std::ifstream in(output);
    const json seen = json::parse(in, nullptr, false);
    ASSERT_FALSE(seen.is_discarded());

    const json& run = seen["run"];
    EXPECT_EQ(seen["done"], "3");
    EXPECT_EQ(seen["total"], "3");
    EXPECT_EQ(run["players"], json::array({"gridplayer", "treeplayer", "randombot"}));
    ASSERT_EQ(run["games"].size(), 3U);
    std::map<int, json> listed;
    for (const auto& game : seen["games"])
        listed[game["id"].get<int>()] = game;
    std::vector<referee::GameEntry> entries;
    std::size_t shown = 0;  // the page's boards, game after game
    for (const auto& game : run["games"]) {
        SCOPED_TRACE("game " + game["number"].dump());
        const json& server = listed[game["id"].get<int>()];
        ASSERT_TRUE(server["over"].get<bool>());
        EXPECT_EQ(server["black"], game["black"]);
        EXPECT_EQ(server["result"], game["result"]);
        EXPECT_LE(server["plies"].get<int>(), 100);
        referee::GameEntry entry;
        entry.game = game["number"];
        entry.black = game["black"];
        entry.white = game["white"];
        entry.result = server["result"];
        entry.reason = server["reason"];
        entries.push_back(entry);
        // This game's positions, from its first to its last.
        const std::size_t count = server["plies"].get<std::size_t>() + 1;
        ASSERT_LE(shown + count, seen["boards"].size());
        json boards = json::array();
        for (std::size_t i = shown; i < shown + count; ++i)
            boards.push_back(seen["boards"][i]);
        shown += count;
        expect_true_to_record(
            served, {{"game", game["id"]}, {"result", server["result"]}, {"boards", boards}});
    }
    EXPECT_EQ(shown, seen["boards"].size());
    const auto expected = referee::summary_text(
        referee::compute_standings({"gridplayer", "treeplayer", "randombot"}, entries));
    EXPECT_EQ(seen["summary"], expected);
}

// Plain HTTP, as another page or program on this machine would try it.
TEST(BoardServer, RequestsWithoutTheTokenOrFromElsewhereAreRefused) {
    TempDir dir;
    const Served served({REFEREE, "--serve", "0", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const std::string port = std::to_string(served.port());
    const std::string info = with_token("/api/info", served.token());
    auto answer = [&](const std::string& path, const httplib::Headers& headers) {
        auto got = client(served).Get(path, headers);
        return got ? got->status : -1;
    };
    EXPECT_EQ(answer(info, {}), 200);
    EXPECT_EQ(answer(info, {{"Origin", "http://localhost:" + port}}), 200);
    // The cookie the page sets serves as the token.
    EXPECT_EQ(answer("/api/info", {{"Cookie", "referee_token=" + served.token()}}), 200);
    EXPECT_EQ(answer("/api/info", {}), 403);
    EXPECT_EQ(answer("/", {}), 403);
    EXPECT_EQ(answer(with_token("/api/info", std::string(served.token().size(), '0')), {}), 403);
    EXPECT_EQ(answer(info, {{"Host", "example.com"}}), 403);
    EXPECT_EQ(answer(info, {{"Host", "127.0.0.1.example.com:" + port}}), 403);
    EXPECT_EQ(answer(info, {{"Origin", "http://example.com"}}), 403);
    EXPECT_EQ(answer(info, {{"Origin", "http://127.0.0.1:" + port + ".example.com"}}), 403);

    // A foreign page cannot start a game, and no page can name a command.
    const auto start = [&](const std::string& black, const httplib::Headers& headers) {
        auto got = client(served).Post(with_token("/api/games", served.token()), headers,
                                       httplib::Params{{"black", black}, {"white", "gridplayer"}});
        return got ? got->status : -1;
    };
    EXPECT_EQ(start("gridplayer", {{"Origin", "http://example.com"}}), 403);
    const fs::path marker = dir.path() / "ran";
    EXPECT_EQ(start("touch " + marker.string(), {}), 400);
    EXPECT_EQ(start(GRIDPLAYER, {}), 400);  // a path is no offered name either
    auto games = client(served).Get(with_token("/api/games", served.token()));
    ASSERT_TRUE(games);
    EXPECT_EQ(games->body, "[]\n");
    EXPECT_FALSE(fs::exists(marker));

    // Nor can a match name a command, a person, or too many games.
    const auto run = [&](const std::string& players, const std::string& count) {
        auto got = client(served).Post(with_token("/api/run", served.token()),
                                       httplib::Params{{"players", players}, {"games", count}});
        return got ? got->status : -1;
    };
    EXPECT_EQ(run("gridplayer,touch " + marker.string(), "1"), 400);
    EXPECT_EQ(run("gridplayer,human", "1"), 400);
    EXPECT_EQ(run("gridplayer", "1"), 400);
    EXPECT_EQ(run("gridplayer,gridplayer", "101"), 400);
    EXPECT_EQ(run("gridplayer,gridplayer,gridplayer,gridplayer,gridplayer", "11"), 400);  // 110
    EXPECT_EQ(run("gridplayer,gridplayer", "x"), 400);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(client(served).Get(with_token("/api/run", served.token()))->status, 404);
}

// One match at a time; a stopped one ends its game unfinished, plays no
// other and makes room for the next.
TEST(BoardServer, OneMatchAtATimeAndStopEndsIt) {
    // Slow enough that the first game is under way when it is stopped.
    const Served served({REFEREE, "--serve", "0", "--delay", "2000", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    auto post = [&](const std::string& path, const httplib::Params& params) {
        auto got = client(served).Post(with_token(path, served.token()), params);
        return got ? json::parse(got->body) : json();
    };
    const httplib::Params two{{"players", "gridplayer,gridplayer"}, {"games", "2"}};
    const json first = post("/api/run", two);
    EXPECT_EQ(first["total"], 2);
    EXPECT_EQ(post("/api/run", two)["error"], "a match is under way: stop it first");
    post("/api/run/stop", {});
    // The first game's events end with the game.
    auto events = client(served).Get(with_token("/api/games/1/events", served.token()));
    ASSERT_TRUE(events);
    EXPECT_NE(events->body.find("stopped from the page"), std::string::npos);
    // The run ends right after its game: a bounded number of looks.
    json status = json::object();
    for (int tries = 0; tries < 2000 && !status.value("over", false); ++tries) {
        auto got = client(served).Get(with_token("/api/run", served.token()));
        ASSERT_TRUE(got);
        status = json::parse(got->body);
    }
    ASSERT_TRUE(status["over"].get<bool>());
    EXPECT_TRUE(status["stopped"].get<bool>());
    EXPECT_EQ(status["players"], json::array({"gridplayer #1", "gridplayer #2"}));
    EXPECT_LE(status["done"].get<int>(), 1);
    EXPECT_EQ(status["games"][1]["id"], 0);  // never started
    EXPECT_GT(post("/api/run", two)["id"], first["id"]);
    post("/api/run/stop", {});
}

}  // namespace
