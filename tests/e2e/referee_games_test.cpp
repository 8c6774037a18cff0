// Whole games between the real players, through the real referee binary.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "gamepage/terminal.h"
#include "protocol/move_line.h"
#include "record_moves.h"
#include "referee/game/display.h"
#include "referee/game/record.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "rules/side.h"
#include "run_referee.h"

namespace {

using referee_test::RefereeRun;

struct Game {
    RefereeRun run;
    std::string record;
};

class RefereeGames : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = referee_test::scratch_dir(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    Game play(const char* black, const char* white, std::vector<std::string> options) {
        const std::string record_path = dir_ + "/record.txt";
        options.insert(options.end(), {"--no-color", "--record", record_path, black, white});
        Game game{referee_test::run_referee(REFEREE, options), ""};
        game.record = referee_test::read_file(record_path);
        return game;
    }

    std::string dir_;
};

// The last line of the referee's output is the result; a game between the
// real players must end by the rules of the game, never by a fault.
void expect_played_to_a_result(const Game& game, const std::string& names) {
    EXPECT_EQ(game.run.status, 0) << game.run.err;
    const std::regex result(
        "Finished game 1 \\(" + names +
        "\\): (1-0|0-1|1/2-1/2) \\{(white lost its town halls|black lost its town halls|the same "
        "position occurred three times|the ply limit was reached|(black|white) has no legal "
        "move)[^}]*\\}\n$");
    EXPECT_TRUE(std::regex_search(game.run.out, result))
        << game.run.out.substr(game.run.out.size() > 300 ? game.run.out.size() - 300 : 0);
    EXPECT_NE(game.record.find("[PlyCount \""), std::string::npos);
}

// The board the referee showed last, after the last accepted move.
std::string last_board_shown(const std::string& out, int rows) {
    const auto result = out.rfind("Finished game");
    std::vector<std::string> lines;
    std::size_t end = out.rfind("  y\n", result);
    std::size_t start = end;
    for (int i = 0; i < rows + 2 && start != std::string::npos && start > 0; ++i) {
        start = out.rfind('\n', start - 1);
    }
    if (end == std::string::npos || start == std::string::npos)
        return "";
    return out.substr(start + 1, end + 4 - start - 1);
}

void expect_record_replays_to_final_board(const Game& game, int rows, int columns) {
    auto board = rules::Board::starting(rows, columns);
    std::optional<protocol::MoveLine> last;
    auto mover = rules::Side::Black;
    for (const auto& line : test_support::record_moves(game.record)) {
        last = protocol::parse_move(line);
        ASSERT_TRUE(last) << line;
        ASSERT_FALSE(rules::refusal(board, mover, *last, rules::RuleSet::Either)) << line;
        board.apply(*last);
        mover = rules::opponent(mover);
    }
    ASSERT_TRUE(last);
    EXPECT_EQ(gamepage::render_board(board, last, false), last_board_shown(game.run.out, rows));
}

TEST_F(RefereeGames, TreeplayerAgainstGridplayerInBothColours) {
    const Game tree_black = play(TREEPLAYER, GRIDPLAYER, {});
    expect_played_to_a_result(tree_black, "treeplayer vs gridplayer");
    expect_record_replays_to_final_board(tree_black, 8, 8);

    const Game grid_black = play(GRIDPLAYER, TREEPLAYER, {});
    expect_played_to_a_result(grid_black, "gridplayer vs treeplayer");
    expect_record_replays_to_final_board(grid_black, 8, 8);
}

TEST_F(RefereeGames, GridplayerAgainstItselfOnTenByTen) {
    const Game game = play(GRIDPLAYER, GRIDPLAYER, {"--rows", "10", "--columns", "10"});
    expect_played_to_a_result(game, "gridplayer vs gridplayer");
    EXPECT_NE(game.record.find("[Rows \"10\"]\n[Columns \"10\"]"), std::string::npos);
    expect_record_replays_to_final_board(game, 10, 10);
}

// Both players are deterministic, so the same game must come out each time:
// a difference would mean the referee changed something between runs.
TEST_F(RefereeGames, SameGameTwice) {
    const auto moves_and_result = [](const Game& game) {
        const auto result = game.run.out.rfind("Finished game");
        return std::make_pair(test_support::record_moves(game.record),
                              result == std::string::npos ? "" : game.run.out.substr(result));
    };
    for (const auto& [black, white] :
         {std::pair{TREEPLAYER, GRIDPLAYER}, std::pair{GRIDPLAYER, TREEPLAYER}}) {
        const auto first = moves_and_result(play(black, white, {"--quiet"}));
        const auto second = moves_and_result(play(black, white, {"--quiet"}));
        EXPECT_FALSE(first.first.empty());
        EXPECT_EQ(first, second);
    }
}

// A match alternates colours and keeps score from the first program's side.
TEST_F(RefereeGames, MatchAlternatesColours) {
    const Game match = play(TREEPLAYER, GRIDPLAYER, {"--quiet", "--games", "2"});
    EXPECT_EQ(match.run.status, 0);
    EXPECT_NE(match.run.out.find("Finished game 1 (treeplayer vs gridplayer)"), std::string::npos);
    EXPECT_NE(match.run.out.find("Finished game 2 (gridplayer vs treeplayer)"), std::string::npos);
    EXPECT_NE(match.run.out.find("Score of treeplayer vs gridplayer: "), std::string::npos);
    EXPECT_NE(match.run.out.find("Games ended because:"), std::string::npos);
    EXPECT_EQ(test_support::record_moves(match.record).size(), [&] {
        std::size_t total = 0;
        std::smatch count;
        std::string text = match.record;
        while (std::regex_search(text, count, std::regex("\\[PlyCount \"(\\d+)\"\\]"))) {
            total += std::stoul(count[1]);
            text = count.suffix();
        }
        return total;
    }());
}

}  // namespace
