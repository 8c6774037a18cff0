// bench_signature [DATA_DIR]
// Runs getMove on every position of gridplayer's bench sets, as the side to
// move and mirrored for the other side, and prints each chosen move with its
// DFS call count, then the total. DATA_DIR defaults to the source tree's
// bench/data. A change that alters any choice or any amount of search work
// shows up as a difference from bench/data/gridplayer_signature.txt.
#include <exception>
#include <iostream>

#include "benchset.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: bench_signature [DATA_DIR]\n";
        return 2;
    }
    try {
        std::cout << gp_bench::signature(
            gp_bench::loadBenchSets(argc == 2 ? argv[1] : GRIDPLAYER_BENCH_DATA));
    } catch (const std::exception& e) {
        std::cerr << "bench_signature: " << e.what() << '\n';
        return 2;
    }
    return 0;
}
