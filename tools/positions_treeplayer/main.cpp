// positions_treeplayer [COUNT [SEED]]
// Writes COUNT (default 50) midgame positions made by seeded random play
// (SEED default 2024; see benchsets/treeplayer.h) in the position file of
// positions/position.h to standard output; bench/data/README.md gives the
// command that made treeplayer's bench set.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>

#include "benchsets/treeplayer.h"
#include "cli/command_line.h"

namespace {

int write_positions(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Writes treeplayer's bench positions, made by seeded random play.",
                 "positions_treeplayer"};
    int count = 50;
    std::uint32_t seed = 2024;
    app.add_option("COUNT", count, "how many positions (default 50)")->check(CLI::Range(0, 100000));
    app.add_option("SEED", seed, "seed of the first game (default 2024)");
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    out << "# " << count << " treeplayer midgame positions: positions_treeplayer " << count << ' '
        << seed << "\n";
    const auto made = tp_bench::random_positions(count, seed);
    for (std::size_t i = 0; i < made.size(); ++i) {
        out << "\n# position " << i << "\n";
        positions::write_position(out, made[i]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("positions_treeplayer", argc, argv, write_positions);
}
