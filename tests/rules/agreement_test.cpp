// Each reading of the library lists exactly the moves, in exactly the order,
// that the player's own generator lists: treeplayer's next_moves on 8x8 and
// gridplayer's getValid*Moves on every size it plays, 6-10 rows by 1-10
// columns. Positions come from seeded random games and random scatters.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gridplayer/gridplayer.h"
#include "perft/gridplayer.h"
#include "perft/rules.h"
#include "protocol/move_line.h"
#include "random_games.h"
#include "rules/legal_moves.h"
#include "tests/properties/positions.h"
#include "tests/rules/random_positions.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

using protocol::MoveLine;
using rules::Board;
using rules::Cell;
using rules::Reading;
using rules::Side;

using props::gridplayer_moves;
using props::treeplayer_moves;

std::string listing(const std::vector<MoveLine>& moves) {
    std::string text;
    for (const MoveLine& move : moves)
        text += protocol::format_move(move) + "\n";
    return text;
}

// Compares both sides' lists; returns the number of moves compared.
long compare(const Board& board, Reading reading) {
    long moves = 0;
    for (Side side : {Side::Black, Side::White}) {
        const auto own = reading == Reading::Treeplayer ? treeplayer_moves(board, side)
                                                        : gridplayer_moves(board, side);
        const auto library = rules::legal_moves(board, side, reading);
        EXPECT_EQ(listing(library), listing(own))
            << rules::reading_name(reading) << ", " << rules::side_name(side) << " to move in\n"
            << rules_test::picture(board);
        moves += static_cast<long>(own.size());
    }
    return moves;
}

// Played positions first, then scatters; stops at the first disagreement.
long compare_on(Reading reading, int rows, int columns, int positions, unsigned seed) {
    long moves = 0;
    test_support::random_games(
        {.rows = rows, .columns = columns, .seed = seed, .positions = positions},
        [&](const Board& board, Side side, std::mt19937&) {
            if (!testing::Test::HasFailure())
                moves += compare(board, reading);
            return test_support::moves_of_either_reading(board, side);
        });
    std::mt19937 rng(seed);
    for (int i = 0; i < positions && !testing::Test::HasFailure(); ++i)
        moves += compare(rules_test::scattered_position(rng, rows, columns), reading);
    return moves;
}

TEST(RulesAgreement, TreeplayerReadingIsTreeplayersGenerator) {
    const long moves = compare_on(Reading::Treeplayer, 8, 8, 3000, 11u);
    // Lists that were empty on both sides would prove nothing.
    EXPECT_GT(moves, 3000L * 2 * 10);
}

TEST(RulesAgreement, GridplayerReadingIsGridplayersGeneratorOnEverySize) {
    for (int rows = 6; rows <= 10; ++rows) {
        for (int columns = 1; columns <= 10; ++columns) {
            SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns));
            const long moves = compare_on(Reading::Gridplayer, rows, columns, 120,
                                          static_cast<unsigned>(rows * 100 + columns));
            EXPECT_GT(moves, 120L * 2 * columns);
            if (HasFailure())
                return;
        }
    }
}

// Deeper than the position checks look: the divide lines of both perft
// tools, move by move, on boards of other shapes, each side moving first.
TEST(RulesAgreement, GridplayerPerftOnOtherSizes) {
    for (auto [rows, columns] : {std::pair{6, 5}, {9, 7}, {10, 3}, {7, 10}}) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns));
        n = rows;
        m = columns;
        initializeBoard();
        for (Side side : {Side::Black, Side::White}) {
            std::string own;
            for (const auto& line : perft_gridplayer::divide(::board, 3, side == Side::Black))
                own += line.move + ": " + std::to_string(line.count) + "\n";
            std::string library;
            for (const auto& line :
                 perft_rules::divide(Board::starting(rows, columns), side, Reading::Gridplayer, 3))
                library +=
                    protocol::format_move(line.move) + ": " + std::to_string(line.count) + "\n";
            EXPECT_EQ(library, own);
        }
    }
}

}  // namespace
