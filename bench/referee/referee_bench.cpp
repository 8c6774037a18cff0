// What the referee itself costs: a long game between two players that
// answer at once, and the referee's own CPU time while players think (it
// should sleep in poll, not spin).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "referee/game/game.h"
#include "referee/seats/seating.h"

namespace {

std::vector<std::string> fake(std::vector<std::string> args) {
    args.insert(args.begin(), FAKE_PLAYER);
    return args;
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_Game300PliesInstantPlayers(benchmark::State& state) {
    referee::GameConfig config;
    config.ply_limit = 300;
    config.repetition_draws = false;
    referee::GameObserver quiet;
    std::size_t plies = 0;
    for (auto _ : state) {
        const auto result = referee::play_commands(config, fake({}), fake({}), quiet);
        plies = result.moves.size();
        if (result.outcome.reason != referee::EndReason::PlyLimit) {
            state.SkipWithError(("game ended early: " + result.outcome.describe()).c_str());
            break;
        }
    }
    state.counters["plies"] = static_cast<double>(plies);
}
BENCHMARK(BM_Game300PliesInstantPlayers)->Unit(benchmark::kMillisecond)->UseRealTime();

// A long game on the largest board: the referee's memory must not grow
// with the game (the repetition rule keeps hashes, not positions).
void BM_Game4000Plies100x100(benchmark::State& state) {
    referee::GameConfig config;
    config.rows = 100;
    config.columns = 100;
    config.ply_limit = 4000;
    referee::GameObserver quiet;
    for (auto _ : state) {
        const auto result = referee::play_commands(config, fake({"--mode", "walk"}),
                                                   fake({"--mode", "walk"}), quiet);
        if (result.outcome.reason != referee::EndReason::PlyLimit) {
            state.SkipWithError(("game ended early: " + result.outcome.describe()).c_str());
            break;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_Game4000Plies100x100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RefereeCpuWhilePlayersThink(benchmark::State& state) {
    referee::GameConfig config;
    config.ply_limit = 10;
    config.repetition_draws = false;
    referee::GameObserver quiet;
    const auto thinking = std::to_string(state.range(0));
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpu_before = cpu_seconds();
        const auto started = std::chrono::steady_clock::now();
        referee::play_commands(config, fake({"--delay-ms", thinking}),
                               fake({"--delay-ms", thinking}), quiet);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        cpu += cpu_seconds() - cpu_before;
    }
    state.counters["referee_cpu_ms"] =
        benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["cpu_per_wall_pct"] = wall > 0 ? 100 * cpu / wall : 0;
}
BENCHMARK(BM_RefereeCpuWhilePlayersThink)
    ->Arg(100)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
