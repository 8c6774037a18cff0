// The bench signature: every move gridplayer chooses on its bench sets and the
// DFS calls each search makes, against the checked-in record. Speed work on
// the search must leave every line alone; a rule change that is meant to alter
// play updates bench/data/gridplayer_signature.txt with bench_signature.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "benchsets/gridplayer.h"
#include "gridplayer/gridplayer.h"
#include "positions/gridplayer_cells.h"
#include "tests/gridplayer/support.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

TEST(BenchSets, AreTheOnesTheDocumentedCommandsMake) {
    // The seeds and ply counts of the commands in bench/data/README.md.
    auto sets = gp_bench::loadBenchSets(GRIDPLAYER_BENCH_DATA);
    struct {
        int size, plies;
        std::uint32_t seed;
    } made[] = {{8, 30, 8}, {10, 40, 10}};
    for (std::size_t s = 0; s < sets.size(); ++s) {
        auto again =
            gp_bench::randomPositions(made[s].size, made[s].size, made[s].plies, 50, made[s].seed);
        ASSERT_EQ(again.size(), sets[s].positions.size());
        for (std::size_t k = 0; k < again.size(); ++k) {
            EXPECT_EQ(again[k].cells, sets[s].positions[k].cells) << sets[s].name << " " << k;
            EXPECT_EQ(again[k].black_to_move, sets[s].positions[k].black_to_move);
        }
    }
}

TEST(BenchSets, MirrorSwapsSidesAndKeepsTheStartingPosition) {
    for (int size : {8, 10}) {
        gp_test::useBoard(size, size, 1);
        gp_test::Grid start = gp_test::startGrid();
        gp_bench::Position p = positions::from_gridplayer(start.ptr(), size, size, true);
        gp_bench::Position q = gp_bench::mirrored(p);
        EXPECT_FALSE(q.black_to_move);
        EXPECT_EQ(q.cells, p.cells) << size;
        // A midgame position is not symmetric, but mirroring twice restores it.
        p.cells[(static_cast<std::size_t>(size) + 1)] = 'b';
        q = gp_bench::mirrored(p);
        EXPECT_EQ(q.cells[q.cells.size() - 1 - (static_cast<std::size_t>(size) + 1)], 'w');
        EXPECT_EQ(gp_bench::mirrored(q).cells, p.cells);
        EXPECT_TRUE(gp_bench::mirrored(q).black_to_move);
    }
}

// The search starts from the position as the game loop would have it: the
// board in gridplayer's codes and the side to move as its player number.
TEST(BenchSets, SetUpPutsThePositionOnTheBoard) {
    const auto made = gp_bench::randomPositions(10, 10, 5, 2, 1);
    for (const auto& p : {made[0], gp_bench::mirrored(made[1])}) {
        gp_bench::setUp(p, 3);
        EXPECT_EQ(positions::from_gridplayer(board, n, m, p.black_to_move).cells, p.cells);
        EXPECT_EQ(player_id, p.black_to_move ? 1 : 2);
        EXPECT_EQ(MAX_DEPTH, 3);
    }
    MAX_DEPTH = 1;
}

TEST(BenchSignature, EveryMoveAndNodeCountIsAsRecorded) {
    std::ifstream in(GRIDPLAYER_BENCH_DATA "/gridplayer_signature.txt");
    ASSERT_TRUE(in) << "missing bench/data/gridplayer_signature.txt";
    std::stringstream expected;
    expected << in.rdbuf();
    std::int64_t live = liveNodeCount;
    auto actual = lines(gp_bench::signature(gp_bench::loadBenchSets(GRIDPLAYER_BENCH_DATA)));
    auto want = lines(expected.str());
    EXPECT_EQ(liveNodeCount, live);
    ASSERT_EQ(actual.size(), want.size());
    int differences = 0;
    for (std::size_t k = 0; k < want.size() && differences < 10; ++k) {
        if (actual[k] != want[k]) {
            ADD_FAILURE() << "expected: " << want[k] << "\n  actual: " << actual[k];
            ++differences;
        }
    }
    MAX_DEPTH = 1;
}

// The score DFS stores at each node of the bench searches, kept up to date
// move by move, against the literal scan of the board the node shows.
struct ScoreCheck {
    std::int64_t nodes = 0;
    std::int64_t wrong = 0;
    std::string first;  // the first node scored wrongly
};
ScoreCheck scoreCheck;

void checkScore(const node* p, int depth) {
    ++scoreCheck.nodes;
    const int expected = gp_test::literalUtility(p->grid);
    if (p->value != expected && scoreCheck.wrong++ == 0) {
        scoreCheck.first = std::to_string(n) + "x" + std::to_string(m) + " player " +
                           std::to_string(player_id) + " depth " + std::to_string(depth) +
                           " after " + gp_test::moveText(p) + ": " + std::to_string(p->value) +
                           " instead of " + std::to_string(expected);
    }
}

TEST(BenchSignature, EveryNodeScoresAsTheLiteralScan) {
    dfsNodeHook = checkScore;
    const std::string text = gp_bench::signature(gp_bench::loadBenchSets(GRIDPLAYER_BENCH_DATA));
    dfsNodeHook = nullptr;
    MAX_DEPTH = 1;
    const std::string total = "total dfs ";
    const std::size_t at = text.rfind(total);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(scoreCheck.nodes, std::stoll(text.substr(at + total.size())));
    EXPECT_EQ(scoreCheck.wrong, 0) << "first: " << scoreCheck.first;
}

}  // namespace
