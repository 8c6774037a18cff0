#include <CLI/CLI.hpp>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>

#include "cli/command_line.h"
#include "randombot/randombot.h"

namespace {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Plays uniformly random legal moves; the same seed plays the same game.",
                 "randombot"};
    std::uint64_t seed = 1;
    app.add_option("--seed", seed, "seed of the move choices (default 1)");
    std::string rules = "gridplayer";
    app.add_option("--rules", rules,
                   "whose reading of the rules to play by: gridplayer (default) or treeplayer "
                   "(8x8 only)")
        ->check(CLI::IsMember({"gridplayer", "treeplayer"}));
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    return randombot::play(std::cin, out, err, seed, *rules::parse_reading(rules));
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("randombot", argc, argv, run);
}
