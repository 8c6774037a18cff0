#include "bench/support/measure.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace bench {

Counted count_instructions(const std::string& self, const std::string& toggle,
                           const std::string& args) {
    Counted counted;
    char path[] = "/tmp/bench_callgrind_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return counted;
    close(fd);
    const std::string command =
        "valgrind --tool=callgrind --callgrind-out-file=" + std::string(path) +
        " '--toggle-collect=" + toggle + "' '" + self + "' " + args + " 2>/dev/null";
    bool ran = false;
    if (FILE* out = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, out) != nullptr)
            counted.output += line;
        ran = pclose(out) == 0;
    }
    std::ifstream profile(path);
    for (std::string line; std::getline(profile, line);) {
        if (ran && line.rfind("totals: ", 0) == 0)
            counted.instructions = std::stoll(line.substr(8));
    }
    std::remove(path);
    return counted;
}

int run_benchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
