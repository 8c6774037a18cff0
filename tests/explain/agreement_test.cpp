// explain's chosen move must be the move the real program writes. Each game
// pits the program binary against a seeded random opponent: explain predicts
// every move of the program, the opponent's random moves go to the binary as
// the referee would send them, and the binary's output must be exactly the
// predicted moves. Games run long enough to reach gridplayer's deeper search.
#include <gtest/gtest.h>

#include <sstream>

#include "games.h"
#include "process_runner.h"

namespace {

using explain_test::explain_as;

struct GameCase {
    std::string program;
    int rows;
    int columns;
    bool program_black;
    int own_moves;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The program's moves as explain predicts them, and the referee's input.
struct Script {
    std::string input;
    std::vector<std::string> predicted;
    int positions = 0;
};

Script play_game(const GameCase& game, unsigned seed) {
    std::mt19937 rng(seed);
    explain::Setup setup{game.rows, game.columns, {}};
    Script script;
    script.input = std::string(game.program_black ? "1 " : "2 ") + std::to_string(game.rows) + " " +
                   std::to_string(game.columns) + " 150\n";
    while (static_cast<int>(script.predicted.size()) < game.own_moves) {
        if (setup.black_to_move() == game.program_black) {
            const auto explanation = explain_as(game.program, setup);
            ++script.positions;
            if (!explanation.chosen)
                break;  // the program writes nothing and waits for the end of input
            const std::string move = explanation.moves[*explanation.chosen].move;
            script.predicted.push_back(move);
            explain_test::play(setup, move);
        } else {
            if (!explain_test::play_random(game.program, setup, rng))
                break;
            script.input += protocol::format_move(setup.moves.back()) + "\n";
        }
    }
    return script;
}

void expect_binary_agrees(const GameCase& game, const std::string& binary, unsigned seeds) {
    int positions = 0;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        const Script script = play_game(game, seed);
        positions += script.positions;
        const auto result = test_support::run_process({binary}, script.input);
        ASSERT_EQ(result.status, 0) << result.err;
        const auto written = lines_of(result.out);
        for (std::size_t k = 0; k < script.predicted.size() && k < written.size(); ++k) {
            ASSERT_EQ(written[k], script.predicted[k])
                << game.program << " seed " << seed << ", own move " << k + 1 << "; input so far:\n"
                << script.input;
        }
        ASSERT_EQ(written.size(), script.predicted.size()) << game.program << " seed " << seed;
    }
    EXPECT_GT(positions, 0);
}

TEST(ExplainAgreement, TreeplayerWritesTheChosenMoveAsBlackAndWhite) {
    expect_binary_agrees({"treeplayer", 8, 8, true, 30}, TREEPLAYER_BIN, 4);
    expect_binary_agrees({"treeplayer", 8, 8, false, 30}, TREEPLAYER_BIN, 4);
}

// 8 rows reach depth 4 at the fourth move, 10 rows depth 3 at the fifth;
// other heights stay at depth 1.
TEST(ExplainAgreement, GridplayerWritesTheChosenMoveAcrossItsDepthSchedule) {
    expect_binary_agrees({"gridplayer", 8, 8, true, 12}, GRIDPLAYER_BIN, 2);
    expect_binary_agrees({"gridplayer", 8, 8, false, 12}, GRIDPLAYER_BIN, 2);
    expect_binary_agrees({"gridplayer", 10, 10, true, 10}, GRIDPLAYER_BIN, 2);
    expect_binary_agrees({"gridplayer", 10, 10, false, 10}, GRIDPLAYER_BIN, 2);
    expect_binary_agrees({"gridplayer", 7, 9, true, 15}, GRIDPLAYER_BIN, 1);
    expect_binary_agrees({"gridplayer", 7, 9, false, 15}, GRIDPLAYER_BIN, 1);
}

}  // namespace
