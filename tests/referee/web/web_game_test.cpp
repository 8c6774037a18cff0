// A game between two people at the page, driven the way the server drives
// it.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <variant>

#include "records/record.h"
#include "referee/web/web_game.h"

namespace {

// A game's events as the page reads them. until(type) reads up to and
// including the next event of `type` after the one it found last: events
// come in batches, so one read may already hold the event the next call
// asks for.
struct Events {
    const referee::web::WebGame& game;
    std::vector<nlohmann::json> seen;
    std::size_t next = 0;

    void until(const std::string& type) {
        bool over = false;
        const auto found = [&]() -> std::optional<std::size_t> {
            for (std::size_t i = next; i < seen.size(); ++i) {
                if (seen[i]["type"] == type)
                    return i;
            }
            return std::nullopt;
        };
        while (!over && !found()) {
            for (const auto& event :
                 game.events(seen.size(), std::chrono::milliseconds(5000), over))
                seen.push_back(nlohmann::json::parse(event));
        }
        const auto at = found();
        ASSERT_TRUE(at) << "no " << type << " event";
        next = *at + 1;
    }
};

// Both sides at the page: black moves, white (to move) resigns, and the
// record names the whole time control (--time 60+2 --move-time 5) and
// replays with it; a second game is stopped before anyone moves.
TEST(WebGame, PeoplePlayResignAndStop) {
    referee::GameConfig config;
    config.time_control = {60, 2, 5};
    const referee::web::Entrant person{"human", {}};
    {
        referee::web::WebGame game(1, person, person, config, {});
        Events events{game, {}};
        auto& seen = events.seen;
        events.until("turn");
        ASSERT_EQ(seen.size(), 2U);
        EXPECT_EQ(seen[0]["type"], "start");
        EXPECT_EQ(seen[1]["side"], "black");
        EXPECT_FALSE(seen[1]["moves"].empty());
        EXPECT_TRUE(game.move("S 0 5 M 0 1").has_value());
        EXPECT_EQ(game.move("S 0 5 M 0 4"), std::nullopt);
        events.until("turn");
        ASSERT_EQ(seen.size(), 4U);
        EXPECT_EQ(seen[2]["type"], "move");
        EXPECT_EQ(seen[2]["board"][4], "b.......");
        EXPECT_EQ(seen[3]["side"], "white");
        EXPECT_EQ(game.record(), std::nullopt);  // not over yet
        EXPECT_TRUE(game.resign());
        events.until("end");
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
    Events events{game, {}};
    auto& seen = events.seen;
    events.until("end");
    EXPECT_EQ(seen.back()["result"], "*");
    EXPECT_TRUE(game.finished());
}

// The page may move as soon as it has drawn the move before: the start and
// move events carry the legal moves of the person to move next, and their
// move is taken then, though the game paces its turns (--delay) and starts
// the turn later. No turn event follows a move already made.
TEST(WebGame, APersonMovesAsSoonAsTheMoveBeforeIsOut) {
    referee::GameConfig config;
    config.delay = std::chrono::milliseconds(1500);
    const referee::web::Entrant person{"human", {}};
    referee::web::WebGame game(1, person, person, config, {});
    Events events{game, {}};
    auto& seen = events.seen;
    events.until("start");
    ASSERT_EQ(seen[0]["turn"]["side"], "black");
    EXPECT_FALSE(seen[0]["turn"]["moves"].empty());
    events.until("turn");
    EXPECT_EQ(game.move("S 0 5 M 0 4"), std::nullopt);
    events.until("move");
    const nlohmann::json& first = seen.back();
    EXPECT_EQ(first["ply"], 1);
    ASSERT_EQ(first["turn"]["side"], "white");
    // White's own steps forward, not black's.
    EXPECT_NE(std::find(first["turn"]["moves"].begin(), first["turn"]["moves"].end(),
                        nlohmann::json::array({1, 2, "M", 1, 3})),
              first["turn"]["moves"].end())
        << first["turn"]["moves"];
    // White answers before its turn has begun: checked against the position
    // the event showed, and kept.
    EXPECT_TRUE(game.move("S 1 2 M 1 5").has_value());
    EXPECT_EQ(game.move("S 1 2 M 1 3"), std::nullopt);
    EXPECT_TRUE(game.move("S 3 2 M 3 3").has_value());  // one move a turn
    events.until("move");
    ASSERT_GE(seen.size(), 4U);
    EXPECT_EQ(seen[3]["type"], "move");  // right after black's: no turn event between
    EXPECT_EQ(seen[3]["ply"], 2);
    EXPECT_EQ(seen[3]["board"][3], ".w......");
    game.stop();
    events.until("end");
    EXPECT_EQ(seen.back()["ply"], 2);
}

}  // namespace
