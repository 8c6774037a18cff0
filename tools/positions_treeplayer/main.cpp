// positions_treeplayer [COUNT [SEED]]
// Writes COUNT (default 50) midgame positions made by seeded random play
// (SEED default 2024; see positions.h) in the position file format of
// tools/perft_common/position_file.h to standard output.
// bench/data/treeplayer_8x8.txt was made with
//   positions_treeplayer 50 2024 > bench/data/treeplayer_8x8.txt
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>

#include "positions.h"
#include "tools/command_line/command_line.h"

namespace {

int write_positions(int argc, char** argv) {
    CLI::App app{"Writes treeplayer's bench positions, made by seeded random play.",
                 "positions_treeplayer"};
    int count = 50;
    std::uint32_t seed = 2024;
    app.add_option("COUNT", count, "how many positions (default 50)")->check(CLI::Range(0, 100000));
    app.add_option("SEED", seed, "seed of the first game (default 2024)");
    if (const auto status = command_line::parse(app, argc, argv, std::cout, std::cerr))
        return *status;
    std::cout << "# " << count << " treeplayer midgame positions: positions_treeplayer " << count
              << ' ' << seed << "\n";
    const auto positions = perft_tp::random_positions(count, seed);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        std::cout << "\n# position " << i << "\n";
        perft_tp::write_position(std::cout, positions[i]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return write_positions(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "positions_treeplayer: " << e.what() << '\n';
        return 2;
    }
}
