// treeplayer's bench set is the one its documented command makes
// (bench/data/README.md: positions_treeplayer 50 2024).
#include <gtest/gtest.h>

#include <fstream>

#include "benchsets/treeplayer.h"

namespace {

TEST(BenchSets, TreeplayerSetIsTheOneTheDocumentedCommandMakes) {
    std::ifstream in(TREEPLAYER_POSITIONS);
    ASSERT_TRUE(in);
    const auto recorded = positions::read_positions(in, 8, 8);
    const auto again = tp_bench::random_positions(50, 2024);
    ASSERT_EQ(again.size(), recorded.size());
    for (std::size_t k = 0; k < again.size(); ++k) {
        EXPECT_EQ(again[k].cells, recorded[k].cells) << k;
        EXPECT_EQ(again[k].black_to_move, recorded[k].black_to_move) << k;
    }
}

}  // namespace
