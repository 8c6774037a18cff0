// The board in the browser, end to end: the referee serves gridplayer, and
// a headless chromium opens the page, plays a whole game against it by
// clicks, watches a game of gridplayer against itself, follows a link that
// names a command and opens the page at a phone's width. Every position the
// page showed is checked against the game's record replayed on the rules
// library; the server's refusals are checked with plain HTTP.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>

#include "protocol/move_line.h"
#include "record_moves.h"
#include "referee/game/record.h"
#include "referee/stats/standings.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "served.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using web_test::get;
using web_test::post;
using web_test::Served;
using web_test::with_token;

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

std::string record(const Served& served, int game) {
    const auto got =
        get(served, with_token("/api/games/" + std::to_string(game) + "/record", served.token()));
    return got.status == 200 ? got.body : "";
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

// Beside each position shown, the games list said the game was at that ply
// or a later one (never behind the board), from its first refresh on.
void expect_listed_live(const json& seen) {
    std::size_t listed = 0;
    for (const auto& board : seen["boards"]) {
        if (!board[2].is_string())
            continue;
        ++listed;
        const std::string line = board[2];
        std::smatch ply;
        ASSERT_TRUE(std::regex_search(line, ply, std::regex(R"(ply (\d+)$|, (\d+) plies$)")))
            << line;
        const int said = std::stoi(ply[1].matched ? ply[1].str() : ply[2].str());
        EXPECT_GE(said, board[0].get<int>()) << line;
    }
    EXPECT_GE(listed * 2, seen["boards"].size()) << "the games list did not show the game";
}

// The record's move after `plies` plies, as the page's [x1, y1, action, x2,
// y2].
json recorded_move(const Served& served, int game, std::size_t plies) {
    const auto moves = test_support::record_moves(record(served, game));
    if (plies >= moves.size())
        return nullptr;
    const auto move = protocol::parse_move(moves[plies]);
    return json::array({move->x1, move->y1, std::string(1, move->action), move->x2, move->y2});
}

// The ids docs/browser.md says a script drives the page by: the backticked
// names in the first column of its table of ids.
std::vector<std::string> documented_ids() {
    std::ifstream docs(BROWSER_DOCS);
    std::vector<std::string> ids;
    bool in_table = false;
    for (std::string line; std::getline(docs, line);) {
        if (line.starts_with("| id |"))
            in_table = true;
        else if (in_table && !line.starts_with("|"))
            break;
        else if (in_table && !line.starts_with("| ---")) {
            const std::string first = line.substr(0, line.find('|', 1));
            const std::regex name("`([a-z-]+)`");
            for (std::sregex_iterator at(first.begin(), first.end(), name), end; at != end; ++at)
                ids.push_back((*at)[1].str());
        }
    }
    return ids;
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

bool can_drive_a_browser() {
    return fs::exists("/usr/bin/chromium") && fs::exists("/usr/bin/chromedriver") &&
           fs::exists("/usr/bin/python3");
}

// One browser session, as it takes seconds to start: the page before any
// game; a person's whole game against gridplayer by clicks, with an illegal
// click pair on the way, a move clicked the moment the reply is drawn and a
// screenshot in the middle; a game of gridplayer against itself watched;
// a link that names a command; the page at a phone's width.
TEST(BoardInBrowser, APersonPlaysAWatcherFollowsAndALinkRunsNothing) {
    if (!can_drive_a_browser())
        GTEST_SKIP() << "chromium, chromedriver or Debian's python3 is missing";
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // Paced, so a game of two programs is watched as it is played and a
    // person's turn begins well after the reply is drawn. treeplayer comes
    // first, so the selectors would show it unless a link chose otherwise.
    const Served served(
        {REFEREE, "--serve", "0", "--plies", "40", "--delay", "100", TREEPLAYER, GRIDPLAYER});
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
        SCOPED_TRACE("the page before any game");
        const json& opened = seen["opened"];
        EXPECT_EQ(opened["squares"], 0);  // no board without a position
        EXPECT_TRUE(opened["ply"].is_null());
        EXPECT_NE(opened["waiting"], "");
        EXPECT_EQ(opened["ticked"], json::array({false, false}));
    }
    {
        SCOPED_TRACE("the person's game");
        const json& played = seen["played"];
        EXPECT_EQ(played["selectors"], json::array({"human", "gridplayer"}));
        // Clicked in the task that drew white's reply, before any later
        // event: outlined already, taken, and played as the third ply.
        const json& early = played["early"];
        EXPECT_EQ(early["ply"], 2) << early;
        EXPECT_GT(early.value("movable", 0), 0) << early;
        EXPECT_EQ(early["message"], "") << early;
        EXPECT_EQ(early["move"], recorded_move(served, played["game"], 2)) << early;
        expect_listed_live(played);
        const std::vector<std::string> ids = played["ids"];
        const auto documented = documented_ids();
        EXPECT_GE(documented.size(), 20U);
        for (const std::string& id : documented)
            EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << "#" << id;
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
        EXPECT_EQ(seen["watched"]["selectors"], json::array({"gridplayer", "gridplayer"}));
        expect_listed_live(seen["watched"]);
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

// Three of four programs ticked start a round robin, one game per pairing;
// the page follows each game as it is played and shows the standings. They
// must be the referee's own summary of the games the server lists, and every
// position shown must be true to each game's record. Then a link starts a
// match of the programs it names.
TEST(BoardInBrowser, TickedProgramsPlayATournamentWatchedGameByGameWithItsStandings) {
    if (!can_drive_a_browser())
        GTEST_SKIP() << "chromium, chromedriver or Debian's python3 is missing";
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    // Long enough for most games to be won, short enough to take seconds.
    const Served served({REFEREE, "--serve", "0", "--plies", "100", "--delay", "5", "--time", "10",
                         GRIDPLAYER, TREEPLAYER, RANDOMBOT, "--name", "idle", RANDOMBOT});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const fs::path output = dir.path() / "seen.json";
    const std::string command = "timeout 280 /usr/bin/python3 " DRIVER " match '" + served.url() +
                                "' gridplayer,treeplayer,randombot gridplayer,idle > " +
                                output.string();
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
    std::vector<records::GameEntry> entries;
    std::size_t shown = 0;  // the page's boards, game after game
    for (const auto& game : run["games"]) {
        SCOPED_TRACE("game " + game["number"].dump());
        const json& server = listed[game["id"].get<int>()];
        ASSERT_TRUE(server["over"].get<bool>());
        EXPECT_EQ(server["black"], game["black"]);
        EXPECT_EQ(server["result"], game["result"]);
        EXPECT_LE(server["plies"].get<int>(), 100);
        records::GameEntry entry;
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
    EXPECT_EQ(seen["linked"]["id"], 2);
    EXPECT_EQ(seen["linked"]["players"], json::array({"gridplayer", "idle"}));
}

// Plain HTTP, as another page or program on this machine would try it.
TEST(BoardServer, RequestsWithoutTheTokenOrFromElsewhereAreRefused) {
    TempDir dir;
    const Served served({REFEREE, "--serve", "0", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    const std::string port = std::to_string(served.port());
    const std::string info = with_token("/api/info", served.token());
    auto answer = [&](const std::string& path, const web_test::Fields& headers) {
        return get(served, path, headers).status;
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
    const auto start = [&](const std::string& black, const web_test::Fields& headers) {
        return post(served, with_token("/api/games", served.token()),
                    {{"black", black}, {"white", "gridplayer"}}, headers)
            .status;
    };
    EXPECT_EQ(start("gridplayer", {{"Origin", "http://example.com"}}), 403);
    const fs::path marker = dir.path() / "ran";
    EXPECT_EQ(start("touch " + marker.string(), {}), 400);
    EXPECT_EQ(start(GRIDPLAYER, {}), 400);  // a path is no offered name either
    EXPECT_EQ(get(served, with_token("/api/games", served.token())).body, "[]\n");
    EXPECT_FALSE(fs::exists(marker));

    // Nor can a match name a command, a person, or too many games.
    const auto run = [&](const std::string& players, const std::string& count) {
        return post(served, with_token("/api/run", served.token()),
                    {{"players", players}, {"games", count}})
            .status;
    };
    EXPECT_EQ(run("gridplayer,touch " + marker.string(), "1"), 400);
    EXPECT_EQ(run("gridplayer,human", "1"), 400);
    EXPECT_EQ(run("gridplayer", "1"), 400);
    EXPECT_EQ(run("gridplayer,gridplayer", "101"), 400);
    EXPECT_EQ(run("gridplayer,gridplayer,gridplayer,gridplayer,gridplayer", "11"), 400);  // 110
    EXPECT_EQ(run("gridplayer,gridplayer", "x"), 400);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_EQ(get(served, with_token("/api/run", served.token())).status, 404);
}

// One match at a time; a stopped one ends its game unfinished, plays no
// other and makes room for the next.
TEST(BoardServer, OneMatchAtATimeAndStopEndsIt) {
    // Slow enough that the first game is under way when it is stopped.
    const Served served({REFEREE, "--serve", "0", "--delay", "2000", GRIDPLAYER});
    ASSERT_GT(served.port(), 0) << "the referee printed " << served.url();
    auto send = [&](const std::string& path, const web_test::Fields& fields) {
        const auto got = post(served, with_token(path, served.token()), fields);
        return json::parse(got.body, nullptr, false);
    };
    const web_test::Fields two{{"players", "gridplayer,gridplayer"}, {"games", "2"}};
    const json first = send("/api/run", two);
    EXPECT_EQ(first["total"], 2);
    EXPECT_EQ(send("/api/run", two)["error"], "a match is under way: stop it first");
    // Where the run stands, once `done` says so: a bounded number of looks.
    const auto look_until = [&](const std::function<bool(const json&)>& done) {
        json status = json::object();
        for (int tries = 0; tries < 2000 && !done(status); ++tries)
            status = json::parse(get(served, with_token("/api/run", served.token())).body, nullptr,
                                 false);
        return status;
    };
    const auto started = [](const json& run) {
        return run.is_object() && run.contains("current") && !run["current"].is_null();
    };
    const json playing = look_until(started);
    ASSERT_TRUE(started(playing)) << "the first game did not start";
    send("/api/run/stop", {});
    // The first game's events end with the game.
    const auto events = get(
        served, with_token("/api/games/" + playing["current"].dump() + "/events", served.token()));
    EXPECT_EQ(events.status, 200);
    EXPECT_NE(events.body.find("stopped from the page"), std::string::npos);
    // The run ends right after its game.
    const auto over = [](const json& run) { return run.is_object() && run.value("over", false); };
    const json status = look_until(over);
    ASSERT_TRUE(over(status));
    EXPECT_TRUE(status["stopped"].get<bool>());
    EXPECT_EQ(status["players"], json::array({"gridplayer #1", "gridplayer #2"}));
    EXPECT_LE(status["done"].get<int>(), 1);
    EXPECT_EQ(status["games"][1]["id"], 0);  // never started
    EXPECT_GT(send("/api/run", two)["id"], first["id"]);
    send("/api/run/stop", {});
}

}  // namespace
