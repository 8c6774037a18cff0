// What replay costs per ply of a long game: the whole game in the terminal
// and as the HTML page, written into nothing. Time is measured in-process;
// memory is the peak of the replay program itself on the same record, and
// per ply above that of a two-ply game.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "bench/support/measure.h"
#include "long_record.h"
#include "replay/app.h"

namespace {

// Takes whatever is written and keeps none of it.
class Discard : public std::streambuf {
  protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*text*/, std::streamsize count) override { return count; }
};

std::string record_file(int plies) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("replay_bench_" + std::to_string(plies) + "_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << record_samples::shuttle_record(plies);
    return path.string();
}

// The peak resident set of `replay ARGS...`, its output thrown away; 0 when
// it could not run or failed. A forked child's peak starts at the resident
// set of the process that forked it, so this runs in a process of its own
// (see peak_kb_of and main), not in the benchmark grown by its replays.
long replay_peak_kb(const std::vector<std::string>& args) {
    std::vector<std::string> all{REPLAY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (auto& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return 0;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
            ::dup2(null, STDOUT_FILENO);
        ::execv(REPLAY, argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 0;
    return usage.ru_maxrss;
}

// replay_peak_kb run by a fresh copy of this program.
long peak_kb_of(const std::vector<std::string>& args) {
    std::string command =
        "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "' --peak-kb";
    for (const auto& arg : args)
        command += " '" + arg + "'";  // temporary paths and options: no quotes in them
    FILE* helper = ::popen(command.c_str(), "r");
    if (helper == nullptr)
        return 0;
    long kb = 0;
    if (std::fscanf(helper, "%ld", &kb) != 1)
        kb = 0;
    return ::pclose(helper) == 0 ? kb : 0;
}

void replay_per_ply(benchmark::State& state, bool html) {
    const int plies = static_cast<int>(state.range(0));
    const std::string path = record_file(plies);
    replay::Options options;
    options.record_path = path;
    options.no_color = true;
    if (html)
        options.html_path = "/dev/null";
    std::vector<std::string> args{path, "--no-color"};
    if (html)
        args.insert(args.end(), {"--html", "/dev/null"});
    const long peak_kb = peak_kb_of(args);
    // A two-ply game gives the program's own size, which no ply adds to.
    const std::string small = record_file(2);
    args[0] = small;
    const long base_kb = peak_kb_of(args);
    Discard nothing;
    std::ostream out(&nothing);
    std::ostringstream err;
    for (auto _ : state) {
        if (replay::run(options, out, err) != replay::kDone) {
            state.SkipWithError(("replay failed: " + err.str()).c_str());
            break;
        }
    }
    std::filesystem::remove(path);
    std::filesystem::remove(small);
    if (peak_kb == 0 || base_kb == 0) {
        state.SkipWithError("the replay program failed");
        return;
    }
    state.counters["plies"] = plies;
    state.counters["time_per_ply"] = benchmark::Counter(
        plies, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_mb"] = static_cast<double>(peak_kb) / 1024;
    state.counters["bytes_per_ply"] = static_cast<double>(peak_kb - base_kb) * 1024 / plies;
}

void BM_ReplayTerminal(benchmark::State& state) {
    replay_per_ply(state, false);
}
void BM_ReplayHtmlPage(benchmark::State& state) {
    replay_per_ply(state, true);
}

BENCHMARK(BM_ReplayTerminal)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ReplayHtmlPage)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

// `replay_bench --peak-kb ARGS...` prints the peak resident set of `replay
// ARGS...` in kilobytes; with other arguments it runs the benchmarks.
int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--peak-kb") {
        std::printf("%ld\n", replay_peak_kb(std::vector<std::string>(argv + 2, argv + argc)));
        return 0;
    }
    return bench::run_benchmarks(argc, argv);
}
