// The library's readings reach exactly as many positions from the start as
// the players' own generators do (their counts, black first).
#include <gtest/gtest.h>

#include <cstdint>

#include "perft/rules.h"
#include "rules/board.h"

namespace {

using rules::Board;
using rules::Reading;
using rules::Side;

TEST(RulesPerft, StartingPositionCountsOfBothReadings) {
    struct Row {
        Reading reading;
        int size;
        std::uint64_t counts[4];
    };
    const Row table[] = {
        {Reading::Treeplayer, 8, {37, 1369, 49726, 1806192}},
        {Reading::Gridplayer, 8, {37, 1362, 48830, 1744519}},
        {Reading::Gridplayer, 10, {47, 2209, 101708, 4682851}},
    };
    for (const Row& row : table) {
        const Board start = Board::starting(row.size, row.size);
        for (int depth = 1; depth <= 4; ++depth) {
            EXPECT_EQ(perft_rules::perft(start, Side::Black, row.reading, depth),
                      row.counts[depth - 1])
                << rules::reading_name(row.reading) << " " << row.size << "x" << row.size
                << " depth " << depth;
        }
    }
}

}  // namespace
