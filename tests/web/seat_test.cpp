// The server's parts in-process: which requests it lets through, the
// browser's seat, and a game between two people at the page driven the way
// the server drives it.
#include <gtest/gtest.h>
#include <poll.h>

#include <nlohmann/json.hpp>
#include <variant>

#include "records/record.h"
#include "referee/web/browser_seat.h"
#include "referee/web/server.h"
#include "referee/web/web_game.h"
#include "rules/judge.h"

namespace {

using referee::web::RequestFacts;

bool readable(int fd) {
    pollfd polled{fd, POLLIN, 0};
    return ::poll(&polled, 1, 0) == 1;
}

TEST(Refusal, OnlyThisMachinesPagesWithTheTokenGetThrough) {
    const std::string token = "abc123";
    const auto refused = [&](const RequestFacts& facts, const std::string& address = "127.0.0.1") {
        return referee::web::refusal(facts, address, 8123, token).has_value();
    };
    EXPECT_FALSE(refused({"127.0.0.1:8123", std::nullopt, token, ""}));
    EXPECT_FALSE(
        refused({"localhost:8123", "http://localhost:8123", "", "x=1; referee_token=abc123"}));
    EXPECT_FALSE(refused({"[::1]:8123", std::nullopt, token, ""}, "::1"));
    // No token, a wrong one, one that only starts right, one in another cookie.
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "abc124", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "abc1234", ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", std::nullopt, "", "other_token=abc123"}));
    // Another site by name (DNS rebinding), another port, no Host at all.
    EXPECT_TRUE(refused({"attacker.example:8123", std::nullopt, token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8124", std::nullopt, token, ""}));
    EXPECT_TRUE(refused({"", std::nullopt, token, ""}));
    // A page of another origin, even with the token.
    EXPECT_TRUE(refused({"127.0.0.1:8123", "http://attacker.example", token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", "https://127.0.0.1:8123", token, ""}));
    EXPECT_TRUE(refused({"127.0.0.1:8123", "null", token, ""}));
}

TEST(BrowserSeat, TakesOnlyLegalMovesInItsOwnTurn) {
    int turns = 0;
    referee::web::BrowserSeat seat(referee::Side::Black, [&](const referee::Turn&) { ++turns; });
    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), "it is not black's turn");
    referee::Turn turn;
    seat.begin_turn(turn);
    EXPECT_EQ(turns, 1);
    EXPECT_TRUE(seat.to_move());
    const auto board = rules::Board::starting(8, 8);
    EXPECT_EQ(
        seat.offer("S 0 5 M 0 2"),
        rules::refusal(board, rules::Side::Black, {'S', 0, 5, 'M', 0, 2}, rules::RuleSet::Either));
    EXPECT_TRUE(seat.offer("S 0 5 X 0 4").has_value());
    std::vector<int> fds;
    seat.watch(fds);
    ASSERT_EQ(fds.size(), 1U);
    EXPECT_FALSE(readable(fds[0]));
    EXPECT_EQ(seat.take_line({}), std::nullopt);

    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), std::nullopt);
    EXPECT_TRUE(readable(fds[0]));                       // the game's wait wakes
    EXPECT_TRUE(seat.offer("S 2 5 M 2 4").has_value());  // one move a turn
    seat.pump(fds);
    EXPECT_FALSE(readable(fds[0]));
    const auto taken = seat.take_line({});
    ASSERT_TRUE(taken);
    EXPECT_EQ(std::get<std::string>(*taken), "S 0 5 M 0 4");
    EXPECT_FALSE(seat.to_move());
    seat.leave();
    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), "the game is over");
}

// Both sides at the page: black moves, white (to move) resigns, and the
// record names the whole time control (--time 60+2 --move-time 5) and
// replays with it; a second game is stopped before anyone moves.
TEST(WebGame, PeoplePlayResignAndStop) {
    referee::GameConfig config;
    config.time_control = {60, 2, 5};
    const referee::web::Entrant person{"human", {}};
    // The game's events up to and including the next of `type`.
    const auto events_until = [](const referee::web::WebGame& game,
                                 std::vector<nlohmann::json>& seen, const std::string& type) {
        const std::size_t from = seen.size();
        bool over = false;
        const auto arrived = [&] {
            for (std::size_t i = from; i < seen.size(); ++i) {
                if (seen[i]["type"] == type)
                    return true;
            }
            return false;
        };
        while (!over && !arrived()) {
            for (const auto& event :
                 game.events(seen.size(), std::chrono::milliseconds(5000), over))
                seen.push_back(nlohmann::json::parse(event));
        }
        ASSERT_TRUE(arrived()) << "no " << type << " event";
    };
    {
        referee::web::WebGame game(1, person, person, config, {});
        std::vector<nlohmann::json> seen;
        events_until(game, seen, "turn");
        ASSERT_EQ(seen.size(), 2U);
        EXPECT_EQ(seen[0]["type"], "start");
        EXPECT_EQ(seen[1]["side"], "black");
        EXPECT_FALSE(seen[1]["moves"].empty());
        EXPECT_TRUE(game.move("S 0 5 M 0 1").has_value());
        EXPECT_EQ(game.move("S 0 5 M 0 4"), std::nullopt);
        events_until(game, seen, "turn");
        ASSERT_EQ(seen.size(), 4U);
        EXPECT_EQ(seen[2]["type"], "move");
        EXPECT_EQ(seen[2]["board"][4], "b.......");
        EXPECT_EQ(seen[3]["side"], "white");
        EXPECT_EQ(game.record(), std::nullopt);  // not over yet
        EXPECT_TRUE(game.resign());
        events_until(game, seen, "end");
        EXPECT_EQ(seen.back()["result"], "1-0");
        EXPECT_EQ(seen.back()["ply"], 1);
        ASSERT_TRUE(game.record());
        EXPECT_NE(game.record()->find("[TimeControl \"60+2 move 5\"]"), std::string::npos)
            << *game.record();
        const auto read = records::read_record(*game.record());
        const auto& games = std::get<std::vector<records::Game>>(read);
        ASSERT_EQ(games.size(), 1U);
        EXPECT_EQ(games[0].time_control, (records::TimeControl{60, 2, 5}));
        ASSERT_EQ(games[0].plies(), 1);
        EXPECT_EQ(games[0].moves[0].move, (protocol::MoveLine{'S', 0, 5, 'M', 0, 4}));
        // Black's clock: 60 s, less the move's time, plus the increment.
        const double black_left = records::clocks_after(games[0], 1)[0];
        EXPECT_DOUBLE_EQ(black_left, 62 - games[0].moves[0].seconds);
        EXPECT_FALSE(game.resign());
    }
    referee::web::WebGame game(2, person, person, config, {});
    game.stop();
    std::vector<nlohmann::json> seen;
    events_until(game, seen, "end");
    EXPECT_EQ(seen.back()["result"], "*");
    EXPECT_TRUE(game.finished());
}

}  // namespace
