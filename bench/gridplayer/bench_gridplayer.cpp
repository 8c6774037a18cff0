// gridplayer's benchmarks over its two bench sets (50 positions each, every
// one searched as the side to move and mirrored for the other side, so 100
// searches a set): getMove at the depth the game loop uses on that size, and
// utility and each colour's move generator alone.
//
// The getMove benchmarks report, besides the time of a whole pass:
//   median_ms, worst_ms  per search, each search's fastest time over the passes
//   dfs_per_move         DFS calls per search
//   nodes_per_s          DFS calls per second over all passes
//   maxrss_MB            peak resident memory of this process so far
//
// Instructions per DFS call, which unlike time do not depend on the machine
// or its load, are counted by callgrind:
//   bench_gridplayer --instructions
// runs `bench_gridplayer --searches SET SIDES` under valgrind for each set,
// collecting inside getMove only, and divides by the DFS calls the searches
// made. SIDES is "black" (the searches with black to move) or "both".
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

#include "bench/support/measure.h"
#include "benchsets/gridplayer.h"
#include "gridplayer/gridplayer.h"

namespace {

using namespace gridplayer;  // NOLINT(google-build-using-namespace)

struct Searches {
    int depth;
    std::vector<gp_bench::Position> positions;  // recorded, then mirrored
};

const Searches& searches(int set) {
    static const std::vector<Searches> all = [] {
        std::vector<Searches> out;
        for (const auto& s : gp_bench::loadBenchSets(GRIDPLAYER_BENCH_DATA)) {
            Searches w{s.depth, {}};
            for (const auto& p : s.positions) {
                w.positions.push_back(p);
                w.positions.push_back(gp_bench::mirrored(p));
            }
            out.push_back(std::move(w));
        }
        return out;
    }();
    return all[static_cast<std::size_t>(set)];
}

double maxRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Range 0: the 8x8 set at depth 4, 1: the 10x10 set at depth 3.
void BM_GetMove(benchmark::State& state) {
    const Searches& s = searches(static_cast<int>(state.range(0)));
    std::vector<double> fastest(s.positions.size(), 1e300);
    std::int64_t calls = 0;
    double seconds = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < s.positions.size(); ++k) {
            state.PauseTiming();
            gp_bench::setUp(s.positions[k], s.depth);
            std::int64_t before = dfsCallCount;
            state.ResumeTiming();
            auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(getMove());
            std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            fastest[k] = std::min(fastest[k], took.count());
            seconds += took.count();
            calls += dfsCallCount - before;
        }
    }
    std::sort(fastest.begin(), fastest.end());
    const auto moves =
        static_cast<double>(state.iterations()) * static_cast<double>(fastest.size());
    state.counters["median_ms"] = 1e3 * fastest[fastest.size() / 2];
    state.counters["worst_ms"] = 1e3 * fastest.back();
    state.counters["dfs_per_move"] = static_cast<double>(calls) / moves;
    state.counters["nodes_per_s"] = static_cast<double>(calls) / seconds;
    state.counters["maxrss_MB"] = maxRssMb();
    MAX_DEPTH = 1;
}
BENCHMARK(BM_GetMove)->Arg(0)->Arg(1)->ArgName("set")->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Boards of one set held as the nodes the search scores.
class Roots {
  public:
    explicit Roots(int set) {
        for (const auto& p : searches(set).positions) {
            gp_bench::setUp(p, 1);
            roots_.push_back(createNode(board));
            players_.push_back(player_id);
        }
    }
    ~Roots() {
        for (node* r : roots_) {
            deleteNode(r);
        }
    }
    Roots(const Roots&) = delete;
    Roots& operator=(const Roots&) = delete;
    std::size_t size() const { return roots_.size(); }
    node* root(std::size_t k) const { return roots_[k]; }
    int player(std::size_t k) const { return players_[k]; }

  private:
    std::vector<node*> roots_;
    std::vector<int> players_;
};

// utility on every board of the set, for the side to move; time per board.
void BM_Utility(benchmark::State& state) {
    Roots roots(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (std::size_t k = 0; k < roots.size(); ++k) {
            player_id = roots.player(k);
            benchmark::DoNotOptimize(utility(roots.root(k)->grid, 1));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(roots.size()));
}
BENCHMARK(BM_Utility)->Arg(0)->Arg(1)->ArgName("set");

// One colour's generator on every board of the set, children released again
// as the search does; items are boards expanded, children_per_board the
// average list length.
template <bool black>
void BM_Generator(benchmark::State& state) {
    Roots roots(static_cast<int>(state.range(0)));
    std::int64_t children = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < roots.size(); ++k) {
            node* r = roots.root(k);
            if (black) {
                getValidBlackMoves(r);
            } else {
                getValidWhiteMoves(r);
            }
            children += static_cast<std::int64_t>(r->children.size());
            deleteNodeChildren(r);
            r->children.clear();
        }
    }
    const auto boards = state.iterations() * static_cast<std::int64_t>(roots.size());
    state.SetItemsProcessed(boards);
    state.counters["children_per_board"] =
        static_cast<double>(children) / static_cast<double>(boards);
}
BENCHMARK(BM_Generator<false>)->Name("BM_WhiteMoves")->Arg(0)->Arg(1)->ArgName("set");
BENCHMARK(BM_Generator<true>)->Name("BM_BlackMoves")->Arg(0)->Arg(1)->ArgName("set");

// --searches SET SIDES: every search of one set once, then its DFS calls.
int runSearches(const std::string& set, const std::string& sides) {
    for (const auto& s : gp_bench::loadBenchSets(GRIDPLAYER_BENCH_DATA)) {
        if (s.name != set) {
            continue;
        }
        std::int64_t calls = 0;
        for (const auto& p : s.positions) {
            calls += gp_bench::search(p, s.depth).dfs;
            if (sides == "both") {
                calls += gp_bench::search(gp_bench::mirrored(p), s.depth).dfs;
            }
        }
        std::cout << "dfs " << calls << '\n';
        return 0;
    }
    std::cerr << "bench_gridplayer: no set named " << set << '\n';
    return 2;
}

// Instructions callgrind counted inside getMove for one run of --searches,
// and the DFS calls that run reported; -1 when valgrind could not be run.
std::pair<std::int64_t, std::int64_t> countInstructions(const std::string& self,
                                                        const std::string& set,
                                                        const std::string& sides) {
    const bench::Counted counted =
        bench::count_instructions(self, "gridplayer::getMove*", "--searches " + set + " " + sides);
    std::int64_t calls = -1;
    const auto at = counted.output.rfind("dfs ");
    if (at != std::string::npos && (at == 0 || counted.output[at - 1] == '\n'))
        calls = std::stoll(counted.output.substr(at + 4));
    return {counted.instructions, calls};
}

int reportInstructions(const std::string& self) {
    std::cout << "set    searches        DFS calls  instructions  per DFS call\n";
    for (const char* set : {"8x8", "10x10"}) {
        for (const std::string sides : {"black", "both"}) {
            auto [instructions, calls] = countInstructions(self, set, sides);
            if (instructions <= 0 || calls <= 0) {
                std::cerr << "bench_gridplayer: could not count instructions (is valgrind "
                             "installed?)\n";
                return 1;
            }
            std::cout << std::left << std::setw(7) << set << std::setw(15)
                      << (sides == "black" ? "black to move" : "both sides") << std::right
                      << std::setw(10) << calls << std::setw(14) << instructions << std::setw(14)
                      << std::fixed << std::setprecision(0)
                      << static_cast<double>(instructions) / static_cast<double>(calls) << '\n';
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "--searches" && argc == 4) {
            return runSearches(argv[2], argv[3]);
        }
        if (mode == "--instructions" && argc == 2) {
            return reportInstructions(argv[0]);
        }
    } catch (const std::exception& e) {
        std::cerr << "bench_gridplayer: " << e.what() << '\n';
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
