// positions_gridplayer SIZE PLIES [COUNT [SEED]]
// Writes COUNT (default 50) positions of a SIZE x SIZE board, each after PLIES
// random plies from the start (see benchsets/gridplayer.h), to standard
// output; bench/data/README.md gives the commands that made gridplayer's
// bench sets.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "benchsets/gridplayer.h"
#include "cli/command_line.h"

namespace {

int write_positions(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Writes gridplayer's bench positions, made by seeded random play.",
                 "positions_gridplayer"};
    int size = 0;
    int plies = 0;
    int count = 50;
    std::uint32_t seed = 1;
    app.add_option("SIZE", size, "rows and columns of the board, 6..10")
        ->required()
        ->check(CLI::Range(6, 10));
    app.add_option("PLIES", plies, "random plies from the start")
        ->required()
        ->check(CLI::NonNegativeNumber);
    app.add_option("COUNT", count, "how many positions (default 50)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("SEED", seed, "seed (default 1)");
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    out << "# " << count << " gridplayer positions, " << size << "x" << size << ", " << plies
        << " random plies: positions_gridplayer " << size << ' ' << plies << ' ' << count << ' '
        << seed << '\n';
    const auto made = gp_bench::randomPositions(size, size, plies, count, seed);
    for (std::size_t k = 0; k < made.size(); ++k) {
        out << "\n# position " << k << '\n';
        positions::write_position(out, made[k]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("positions_gridplayer", argc, argv, write_positions);
}
