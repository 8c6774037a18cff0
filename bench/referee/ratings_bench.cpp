// The ratings fit's time for the fields a course runs: 150 players in a
// round robin (every pair meets twice) and 150 or 1,000 players in ten
// Swiss-like rounds (random pairs), results drawn from hidden strengths.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "referee/stats/ratings.h"

namespace {

void play(referee::PairScores& scores, std::mt19937& random, const std::vector<double>& strength,
          int a, int b) {
    const double d = strength[static_cast<std::size_t>(a)] - strength[static_cast<std::size_t>(b)];
    const double u = std::uniform_real_distribution<double>(0, 1)(random);
    const double draw = 0.3;
    auto& ab = scores[{a, b}];
    auto& ba = scores[{b, a}];
    if (u < draw) {
        ++ab.draws;
        ++ba.draws;
    } else if (u < draw + (1 - draw) / (1 + std::pow(10.0, -d / 400))) {
        ++ab.wins;
        ++ba.losses;
    } else {
        ++ab.losses;
        ++ba.wins;
    }
}

// rounds 0: a round robin of two games a pairing.
referee::PairScores field(int players, int rounds) {
    std::mt19937 random(1);
    std::vector<double> strength(static_cast<std::size_t>(players));
    for (auto& s : strength)
        s = std::normal_distribution<double>(0, 200)(random);
    referee::PairScores scores;
    if (rounds == 0) {
        for (int a = 0; a < players; ++a) {
            for (int b = a + 1; b < players; ++b) {
                play(scores, random, strength, a, b);
                play(scores, random, strength, b, a);
            }
        }
        return scores;
    }
    std::vector<int> order(static_cast<std::size_t>(players));
    std::iota(order.begin(), order.end(), 0);
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (std::size_t k = 0; k + 1 < order.size(); k += 2)
            play(scores, random, strength, order[k], order[k + 1]);
    }
    return scores;
}

void BM_FitRatings(benchmark::State& state) {
    const auto players = static_cast<int>(state.range(0));
    const auto scores = field(players, static_cast<int>(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(referee::fit_ratings(static_cast<std::size_t>(players), scores));
    state.counters["pairs"] = static_cast<double>(scores.size()) / 2;
}
BENCHMARK(BM_FitRatings)
    ->Args({150, 0})
    ->Args({150, 10})
    ->Args({1000, 10})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
