// What `--merge` costs for a course's field: a round robin of 150 players,
// two games a pairing (22,350 games of 40 to 120 plies), as the jobs of
// `--schedule --batch 100` leave it (224 files, each with its run line) and
// as one file of an older referee (the run repeated on every line). Time is
// measured in-process; MERGE_BENCH_DIR=DIR keeps the files there, for
// measuring the referee itself (`/usr/bin/time -v referee --merge DIR/job*`).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "records/results.h"
#include "referee/formats/pairings.h"
#include "referee/match/tournament.h"

namespace {

constexpr int kPlayers = 150;
constexpr int kBatch = 100;

records::RunInfo course_run() {
    records::RunInfo run;
    for (int i = 0; i < kPlayers; ++i) {
        const std::string name = "student" + std::to_string(i);
        run.players.push_back(name);
        run.commands.push_back("/home/course/submissions/" + name + "/run --level 3");
    }
    run.tournament = "round-robin";
    run.games = 2;
    run.options = {"--time", "60+1"};
    run.time_control = {60, 1, 0};
    return run;
}

records::GameEntry played(const referee::ScheduledGame& game, const records::RunInfo& run,
                          std::mt19937& random) {
    records::GameEntry entry;
    entry.game = game.number;
    entry.scheduled = kPlayers * (kPlayers - 1);
    entry.black = run.players[static_cast<std::size_t>(game.black)];
    entry.white = run.players[static_cast<std::size_t>(game.white)];
    const int outcome = std::uniform_int_distribution<int>(0, 2)(random);
    entry.result = outcome == 0 ? "1-0" : outcome == 1 ? "0-1" : "1/2-1/2";
    entry.termination = outcome == 2 ? "a position came a third time" : "lost its town halls";
    entry.reason = entry.termination;
    entry.plies = std::uniform_int_distribution<int>(40, 120)(random);
    std::uniform_int_distribution<int> cell(0, 7);
    for (int ply = 0; ply < entry.plies; ++ply) {
        entry.moves.push_back("S " + std::to_string(cell(random)) + " " +
                              std::to_string(cell(random)) + " M " + std::to_string(cell(random)) +
                              " " + std::to_string(cell(random)));
        entry.times.push_back(0.001 * cell(random));
    }
    entry.start = "2026-12-08T10:00:00.000Z";
    entry.end = "2026-12-08T10:00:01.000Z";
    return entry;
}

struct Files {
    std::filesystem::path dir;
    bool keep = false;
    std::vector<std::string> jobs;  // one per batch, each with its run line
    std::string older;              // the run on every line
    ~Files() {
        if (!keep)
            std::filesystem::remove_all(dir);
    }
};

// Written once, for every benchmark of the program.
const Files& files() {
    static const Files written = [] {
        Files out;
        const char* keep = std::getenv("MERGE_BENCH_DIR");
        out.keep = keep != nullptr;
        out.dir = out.keep ? std::filesystem::path(keep)
                           : std::filesystem::temp_directory_path() /
                                 ("merge_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(out.dir);
        const records::RunInfo run = course_run();
        const std::string run_line = records::run_line(run);
        // As an older referee wrote the run: inside each game's line.
        const std::string inline_run = "," + run_line.substr(1, run_line.size() - 3) + "}\n";
        const auto games =
            referee::schedule_games(kPlayers, referee::TournamentKind::RoundRobin, run.games);
        std::mt19937 random(1);
        out.older = (out.dir / "older.jsonl").string();
        std::ofstream older(out.older);
        std::ofstream job;
        for (std::size_t i = 0; i < games.size(); ++i) {
            if (i % kBatch == 0) {
                out.jobs.push_back(
                    (out.dir / ("job" + std::to_string(i / kBatch + 1) + ".jsonl")).string());
                job = std::ofstream(out.jobs.back());
                job << run_line;
            }
            const std::string line = records::game_line(played(games[i], run, random));
            job << line;
            older << line.substr(0, line.size() - 2) << inline_run;
        }
        return out;
    }();
    return written;
}

void merge(benchmark::State& state, const std::vector<std::string>& paths) {
    std::uintmax_t bytes = 0;
    for (const auto& path : paths)
        bytes += std::filesystem::file_size(path);
    std::ostream nowhere(nullptr);
    for (auto _ : state) {
        if (referee::run_merge(paths, std::nullopt, nowhere, nowhere) != 0)
            state.SkipWithError("the merge found problems");
    }
    state.counters["files"] = static_cast<double>(paths.size());
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_MergeBatchFiles(benchmark::State& state) {
    merge(state, files().jobs);
}
BENCHMARK(BM_MergeBatchFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeOlderFile(benchmark::State& state) {
    merge(state, {files().older});
}
BENCHMARK(BM_MergeOlderFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
