// explain's chosen move must be the move the real program writes. Each game
// pits the program binary against a seeded random opponent: explain predicts
// every move of the program, the opponent's random moves go to the binary as
// the referee would send them, and the binary must write exactly the
// predicted moves. Games run long enough to reach gridplayer's deeper search.
#include <gtest/gtest.h>

#include "games.h"
#include "process_runner.h"

namespace {

void expect_binary_agrees(const std::string& program, int rows, int columns, int own_moves,
                          unsigned games) {
    for (unsigned seed = 1; seed <= 2 * games; ++seed) {
        const bool program_black = seed % 2 == 1;
        std::mt19937 rng(seed);
        explain::Setup setup{rows, columns, {}};
        std::string input = std::string(program_black ? "1 " : "2 ") + std::to_string(rows) + " " +
                            std::to_string(columns) + " 150\n";
        std::string predicted;
        for (int own = 0; own < own_moves;) {
            if (setup.black_to_move() == program_black) {
                const auto e = explain_test::explain_as(program, setup);
                if (!e.chosen)
                    break;  // the program writes nothing and waits for the end of input
                explain_test::play(setup, e.moves[*e.chosen].move);
                predicted += e.moves[*e.chosen].move + "\n";
                ++own;
            } else if (explain_test::play_random(program, setup, rng)) {
                input += protocol::format_move(setup.moves.back()) + "\n";
            } else {
                break;
            }
        }
        const auto result = test_support::run_process(
            {program == "treeplayer" ? TREEPLAYER_BIN : GRIDPLAYER_BIN}, input);
        EXPECT_EQ(result.status, 0) << result.err;
        ASSERT_EQ(result.out, predicted)
            << program << " " << rows << "x" << columns << " seed " << seed << "; input:\n"
            << input;
    }
}

TEST(ExplainAgreement, TreeplayerWritesTheChosenMoveAsBlackAndWhite) {
    expect_binary_agrees("treeplayer", 8, 8, 30, 4);
}

// 8 rows reach depth 4 at the fourth move, 10 rows depth 3 at the fifth;
// other heights stay at depth 1.
TEST(ExplainAgreement, GridplayerWritesTheChosenMoveAcrossItsDepthSchedule) {
    expect_binary_agrees("gridplayer", 8, 8, 12, 2);
    expect_binary_agrees("gridplayer", 10, 10, 10, 2);
    expect_binary_agrees("gridplayer", 7, 9, 15, 1);
}

}  // namespace
