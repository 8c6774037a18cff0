// gridplayer_positions SIZE PLIES [COUNT [SEED]]
// Writes COUNT (default 50) positions of a SIZE x SIZE board, each after PLIES
// random plies from the start (see benchset.h), to standard output. The bench
// sets were made with
//   gridplayer_positions 8 30 50 8 > bench/data/gridplayer_8x8.txt
//   gridplayer_positions 10 40 50 10 > bench/data/gridplayer_10x10.txt
#include <iostream>
#include <string>

#include "benchset.h"

int main(int argc, char** argv) {
    const char* usage = "usage: gridplayer_positions SIZE PLIES [COUNT [SEED]]\n";
    int size = 0;
    int plies = 0;
    int count = 50;
    unsigned long seed = 1;
    try {
        if (argc < 3 || argc > 5) {
            throw std::invalid_argument("arguments");
        }
        size = std::stoi(argv[1]);
        plies = std::stoi(argv[2]);
        if (argc > 3) {
            count = std::stoi(argv[3]);
        }
        if (argc > 4) {
            seed = std::stoul(argv[4]);
        }
    } catch (const std::exception&) {
        std::cerr << usage;
        return 2;
    }
    if (size < 6 || size > 10 || plies < 0 || count < 0) {
        std::cerr << usage;
        return 2;
    }
    std::cout << "# " << count << " gridplayer positions, " << size << "x" << size << ", " << plies
              << " random plies: gridplayer_positions " << size << ' ' << plies << ' ' << count
              << ' ' << seed << '\n';
    const auto positions =
        gp_bench::randomPositions(size, size, plies, count, static_cast<std::uint32_t>(seed));
    for (std::size_t k = 0; k < positions.size(); ++k) {
        std::cout << "\n# position " << k << '\n';
        gp_bench::writePosition(std::cout, positions[k]);
    }
    return 0;
}
