// treeplayer's benchmarks over 50 midgame positions (bench/data/treeplayer_8x8.txt, made by
// tools/positions_treeplayer): the whole turn the game loop runs
// (create_tree(root, 0) + minimax), Eval alone and next_moves alone.
#include <benchmark/benchmark.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "perft.h"
#include "treeplayer/Evaluation.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"
#include "treeplayer/tree.h"

namespace {

const std::vector<perft_tp::Position>& positions() {
    static const std::vector<perft_tp::Position> all = [] {
        std::ifstream in(TREEPLAYER_POSITIONS);
        if (!in)
            throw std::runtime_error("cannot open " TREEPLAYER_POSITIONS);
        std::vector<perft_tp::Position> read;
        std::string why;
        while (auto p = perft_tp::read_position(in, &why))
            read.push_back(*p);
        if (!why.empty() || read.size() != 50) {
            throw std::runtime_error("bad positions file: " + why);
        }
        return read;
    }();
    return all;
}

// One turn of the game loop on one position.
Move whole_turn(Node& root, const perft_tp::Position& p) {
    root.SetBlack(p.black);
    root.SetBoard(p.board);
    create_tree(&root, 0);
    return minimax(&root, true, MIN, MAX).second;
}

// Round-robin over the 50 positions: time per turn, averaged over the set.
void BM_WholeTurn(benchmark::State& state) {
    const auto& all = positions();
    Node root;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(whole_turn(root, all[i]));
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_WholeTurn)->Repetitions(5)->ReportAggregatesOnly(true);

// One position per run: the median over the set is read off these 50.
void BM_WholeTurnPosition(benchmark::State& state) {
    const auto& p = positions()[static_cast<std::size_t>(state.range(0))];
    Node root;
    for (auto _ : state)
        benchmark::DoNotOptimize(whole_turn(root, p));
}
BENCHMARK(BM_WholeTurnPosition)->DenseRange(0, 49)->MinTime(0.02);

void BM_Eval(benchmark::State& state) {
    const auto& all = positions();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = all[i];
        benchmark::DoNotOptimize(Eval(p.board, p.black ? 1 : -1));
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_Eval)->Repetitions(5)->ReportAggregatesOnly(true);

// next_moves alone, on lists prepared outside the timed loop.
void BM_NextMoves(benchmark::State& state) {
    struct Input {
        std::vector<Cannon> cannons;
        std::vector<coord> own;
        std::vector<coord> enemy;
        bool black;
    };
    std::vector<Input> inputs;
    for (const auto& p : positions()) {
        const auto [blackCannons, whiteCannons] = Update(p.board);
        const auto blackSoldiers = Soldiers_list(BLACK_SOLDIER, p.board);
        const auto whiteSoldiers = Soldiers_list(WHITE_SOLDIER, p.board);
        if (p.black) {
            inputs.push_back({blackCannons, blackSoldiers, whiteSoldiers, true});
        } else {
            inputs.push_back({whiteCannons, whiteSoldiers, blackSoldiers, false});
        }
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& in = inputs[i];
        benchmark::DoNotOptimize(next_moves(in.cannons, in.own, in.enemy, in.black));
        i = (i + 1) % inputs.size();
    }
}
BENCHMARK(BM_NextMoves)->Repetitions(5)->ReportAggregatesOnly(true);

// The whole list-building of tree expansion (lists from the board, then
// next_moves).
void BM_BoardMoves(benchmark::State& state) {
    const auto& all = positions();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = all[i];
        benchmark::DoNotOptimize(board_moves(p.board, p.black));
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_BoardMoves)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
