// bench_signature [DATA_DIR [SET [COUNT]]]
// Runs getMove on every position of gridplayer's bench sets, as the side to
// move and mirrored for the other side, and prints each chosen move with its
// DFS call count, then the total. DATA_DIR defaults to the source tree's
// bench/data ("-" for that default too). SET ("8x8" or "10x10") and COUNT
// (the first COUNT positions) narrow the run, e.g. for a profiler:
//   valgrind --tool=callgrind --toggle-collect='getMove*' bench_signature - 8x8 10
//
// A change that alters any choice or any amount of search work shows up as a
// difference from bench/data/gridplayer_signature.txt.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>
#include <ostream>
#include <stdexcept>
#include <string>

#include "benchsets/gridplayer.h"
#include "cli/command_line.h"

namespace {

int print_signature(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Prints gridplayer's move and DFS call count on every bench position, as both "
        "sides, then the total: the bench signature.",
        "bench_signature"};
    std::string dir = "-";
    std::string set;
    std::size_t count = 0;
    app.add_option("DATA_DIR", dir, "folder of the bench sets (default, or -: bench/data)");
    app.add_option("SET", set, "only this set: 8x8 or 10x10");
    app.add_option("COUNT", count, "only the first COUNT positions of the set");
    app.footer(
        "The output is bench/data/gridplayer_signature.txt while gridplayer plays as "
        "it did when that file was made.");
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    auto sets = gp_bench::loadBenchSets(dir == "-" ? GRIDPLAYER_BENCH_DATA : dir);
    if (!set.empty()) {
        std::erase_if(sets, [&](const gp_bench::BenchSet& s) { return s.name != set; });
        if (sets.empty())
            throw std::runtime_error("no set named " + set);
    }
    if (count > 0)
        sets[0].positions.resize(std::min(count, sets[0].positions.size()));
    out << gp_bench::signature(sets);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("bench_signature", argc, argv, print_signature);
}
