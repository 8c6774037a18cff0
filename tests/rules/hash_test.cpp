// The position hash through seeded random games: the same position and side
// always give the same key, and no two different positions seen share one.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "random_games.h"
#include "rules/board.h"
#include "tests/rules/random_positions.h"

namespace {

using rules::Board;
using rules::Side;

TEST(RulesHash, EqualPositionsEqualKeysDifferentPositionsDifferentKeys) {
    for (const auto& size : {std::pair{8, 8}, {10, 10}, {7, 3}}) {
        const int rows = size.first;
        const int columns = size.second;
        std::map<std::uint64_t, std::pair<Board, Side>> seen;
        test_support::random_games(
            {.rows = rows, .columns = columns, .seed = 3u, .positions = 4000},
            [&](const Board& board, Side side, std::mt19937&) {
                // The key depends on what stands where, not on how it got there.
                Board rebuilt = rules_test::empty_board(rows, columns);
                for (int y = 0; y < rows; ++y) {
                    for (int x = 0; x < columns; ++x)
                        rebuilt.set(x, y, board.at(x, y));
                }
                EXPECT_EQ(rebuilt.hash(side), board.hash(side));
                EXPECT_NE(board.hash(side), board.hash(rules::opponent(side)));
                const auto [it, fresh] = seen.try_emplace(board.hash(side), board, side);
                if (!fresh) {
                    EXPECT_EQ(it->second.first, board) << rules_test::picture(board);
                    EXPECT_EQ(it->second.second, side);
                }
                return test_support::moves_of_either_reading(board, side);
            });
        // Random games repeat few positions; most keys must be distinct.
        EXPECT_GT(seen.size(), 3000u) << rows << "x" << columns;
    }
    EXPECT_NE(Board::starting(8, 8).hash(Side::Black), Board::starting(8, 9).hash(Side::Black));
}

}  // namespace
