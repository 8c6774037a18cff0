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
#include <algorithm>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "benchset.h"

int main(int argc, char** argv) {
    if (argc > 4) {
        std::cerr << "usage: bench_signature [DATA_DIR [SET [COUNT]]]\n";
        return 2;
    }
    try {
        std::string dir = argc > 1 && std::string(argv[1]) != "-" ? argv[1] : GRIDPLAYER_BENCH_DATA;
        auto sets = gp_bench::loadBenchSets(dir);
        if (argc > 2) {
            std::erase_if(sets, [&](const gp_bench::BenchSet& s) { return s.name != argv[2]; });
            if (sets.empty()) {
                throw std::runtime_error(std::string("no set named ") + argv[2]);
            }
        }
        if (argc > 3) {
            auto count = static_cast<std::size_t>(std::stoul(argv[3]));
            sets[0].positions.resize(std::min(count, sets[0].positions.size()));
        }
        std::cout << gp_bench::signature(sets);
    } catch (const std::exception& e) {
        std::cerr << "bench_signature: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
