// positions_treeplayer [COUNT [SEED]]
// Writes COUNT (default 50) midgame positions made by seeded random play
// (SEED default 2024; see positions.h) in the position file format of
// tools/perft_common/position_file.h to standard output.
// bench/data/treeplayer_8x8.txt was made with
//   positions_treeplayer 50 2024 > bench/data/treeplayer_8x8.txt
#include <iostream>
#include <string>

#include "positions.h"

int main(int argc, char** argv) {
    int count = 50;
    unsigned long seed = 2024;
    try {
        if (argc > 1)
            count = std::stoi(argv[1]);
        if (argc > 2)
            seed = std::stoul(argv[2]);
    } catch (const std::exception&) {
        std::cerr << "usage: positions_treeplayer [COUNT [SEED]]\n";
        return 2;
    }
    if (argc > 3 || count < 0) {
        std::cerr << "usage: positions_treeplayer [COUNT [SEED]]\n";
        return 2;
    }
    std::cout << "# " << count << " treeplayer midgame positions: positions_treeplayer " << count
              << ' ' << seed << "\n";
    const auto positions = perft_tp::random_positions(count, static_cast<std::uint32_t>(seed));
    for (std::size_t i = 0; i < positions.size(); ++i) {
        std::cout << "\n# position " << i << "\n";
        perft_tp::write_position(std::cout, positions[i]);
    }
    return 0;
}
