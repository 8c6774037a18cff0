// What judging costs the referee: one ply's work (judge the move, apply it,
// hash the position, ask whether the opponent can still move) through a
// 300-ply game on 8x8 and on the largest board the referee accepts; legal
// move generation alone; and perft, the generators' throughput.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "perft/rules.h"
#include "rules/judge.h"
#include "rules/legal_moves.h"

namespace {

using rules::Board;
using rules::Reading;
using rules::Side;

struct Game {
    Board start;
    std::vector<protocol::MoveLine> moves;
};

// A fixed game of random gridplayer moves, black first, up to `plies` long.
Game random_game(int rows, int columns, int plies) {
    Game game{Board::starting(rows, columns), {}};
    Board board = game.start;
    Side side = Side::Black;
    std::mt19937 rng(1);
    for (int ply = 0; ply < plies; ++ply) {
        const auto moves = rules::legal_moves(board, side, Reading::Gridplayer);
        if (moves.empty())
            break;
        game.moves.push_back(moves[rng() % moves.size()]);
        board.apply(game.moves.back());
        side = rules::opponent(side);
    }
    return game;
}

void BM_RefereePly(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const Game game = random_game(size, size, 300);
    for (auto _ : state) {
        Board board = game.start;
        Side side = Side::Black;
        for (const protocol::MoveLine& move : game.moves) {
            benchmark::DoNotOptimize(rules::refusal(board, side, move, rules::RuleSet::Either));
            board.apply(move);
            side = rules::opponent(side);
            benchmark::DoNotOptimize(board.hash(side));
            benchmark::DoNotOptimize(rules::has_legal_move(board, side, rules::RuleSet::Either));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(game.moves.size()));
    state.counters["plies"] = static_cast<double>(game.moves.size());
    state.counters["per_ply"] = benchmark::Counter(
        static_cast<double>(game.moves.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RefereePly)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_LegalMoves(benchmark::State& state) {
    const auto reading = static_cast<Reading>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    const Game game = random_game(size, size, 40);
    Board board = game.start;
    for (const auto& move : game.moves)
        board.apply(move);
    for (auto _ : state)
        benchmark::DoNotOptimize(rules::legal_moves(board, Side::Black, reading));
}
BENCHMARK(BM_LegalMoves)
    ->Args({static_cast<int>(Reading::Treeplayer), 8})
    ->Args({static_cast<int>(Reading::Gridplayer), 8})
    ->Args({static_cast<int>(Reading::Gridplayer), 10})
    ->Args({static_cast<int>(Reading::Gridplayer), 100});

void BM_Perft4(benchmark::State& state) {
    const auto reading = static_cast<Reading>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    const Board start = Board::starting(size, size);
    std::uint64_t positions = 0;
    for (auto _ : state)
        positions = perft_rules::perft(start, Side::Black, reading, 4);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(positions));
}
BENCHMARK(BM_Perft4)
    ->Args({static_cast<int>(Reading::Treeplayer), 8})
    ->Args({static_cast<int>(Reading::Gridplayer), 8})
    ->Args({static_cast<int>(Reading::Gridplayer), 10})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
