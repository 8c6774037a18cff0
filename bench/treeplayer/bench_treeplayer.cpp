// treeplayer's benchmarks over 50 midgame positions (bench/data/treeplayer_8x8.txt, made by
// tools/positions_treeplayer): the whole turn the game loop runs
// (create_tree(root, 0) + minimax), Eval alone and next_moves alone.
//
// Instructions per whole turn, which unlike time do not depend on the machine
// or its load, are counted by callgrind:
//   bench_treeplayer --instructions
// runs `bench_treeplayer --turns` (one whole turn on each position, each on a
// fresh root) under valgrind, collecting inside the turns only, and divides
// by the number of positions.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "positions/position.h"
#include "positions/treeplayer_cells.h"
#include "treeplayer/Evaluation.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace {

// A bench position in treeplayer's cells.
struct Position {
    Board board;
    bool black = true;
};

const std::vector<Position>& bench_positions() {
    static const std::vector<Position> all = [] {
        std::ifstream in(TREEPLAYER_POSITIONS);
        if (!in)
            throw std::runtime_error("cannot open " TREEPLAYER_POSITIONS);
        std::vector<Position> read;
        for (const auto& p : positions::read_positions(in, 8, 8))
            read.push_back({positions::treeplayer_board(p), p.black_to_move});
        if (read.size() != 50)
            throw std::runtime_error("bad positions file: " + std::to_string(read.size()) +
                                     " positions, not 50");
        return read;
    }();
    return all;
}

// One turn of the game loop on one position.
Move whole_turn(Node& root, const Position& p) {
    root.SetBlack(p.black);
    root.SetBoard(p.board);
    create_tree(&root, 0);
    return minimax(&root, true, MIN, MAX).second;
}

// Round-robin over the 50 positions: time per turn, averaged over the set.
void BM_WholeTurn(benchmark::State& state) {
    const auto& all = bench_positions();
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
    const auto& p = bench_positions()[static_cast<std::size_t>(state.range(0))];
    Node root;
    for (auto _ : state)
        benchmark::DoNotOptimize(whole_turn(root, p));
}
BENCHMARK(BM_WholeTurnPosition)->DenseRange(0, 49)->MinTime(0.02);

void BM_Eval(benchmark::State& state) {
    const auto& all = bench_positions();
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
    for (const auto& p : bench_positions()) {
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
    const auto& all = bench_positions();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = all[i];
        benchmark::DoNotOptimize(board_moves(p.board, p.black));
        i = (i + 1) % all.size();
    }
}
BENCHMARK(BM_BoardMoves)->Repetitions(5)->ReportAggregatesOnly(true);

// What --turns times: the turn alone, not setting up its root.
__attribute__((noinline)) Move one_turn(Node& root) {
    create_tree(&root, 0);
    return minimax(&root, true, MIN, MAX).second;
}

int run_turns() {
    for (const auto& p : bench_positions()) {
        Node root;
        root.SetBlack(p.black);
        root.SetBoard(p.board);
        benchmark::DoNotOptimize(one_turn(root));
    }
    std::cout << "turns " << bench_positions().size() << '\n';
    return 0;
}

int report_instructions(const std::string& self) {
    const long long instructions =
        bench::count_instructions(self, "*one_turn*", "--turns").instructions;
    if (instructions <= 0) {
        std::cerr << "bench_treeplayer: could not count instructions (is valgrind installed?)\n";
        return 1;
    }
    const auto turns = static_cast<long long>(bench_positions().size());
    std::cout << "whole turns: " << turns << ", instructions: " << instructions
              << ", per turn: " << (instructions + turns / 2) / turns << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "--turns" && argc == 2)
            return run_turns();
        if (mode == "--instructions" && argc == 2)
            return report_instructions(argv[0]);
    } catch (const std::exception& e) {
        std::cerr << "bench_treeplayer: " << e.what() << '\n';
        return 2;
    }
    return bench::run_benchmarks(argc, argv);
}
