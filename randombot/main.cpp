#include <CLI/CLI.hpp>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>

#include "randombot/randombot.h"
#include "tools/command_line/command_line.h"

namespace {

int run(int argc, char** argv) {
    CLI::App app{"Plays uniformly random legal moves; the same seed plays the same game.",
                 "randombot"};
    std::uint64_t seed = 1;
    app.add_option("--seed", seed, "seed of the move choices (default 1)");
    std::string rules = "gridplayer";
    app.add_option("--rules", rules,
                   "whose reading of the rules to play by: gridplayer (default) or treeplayer "
                   "(8x8 only)")
        ->check(CLI::IsMember({"gridplayer", "treeplayer"}));
    if (const auto status = command_line::parse(app, argc, argv, std::cout, std::cerr))
        return *status;
    return randombot::play(std::cin, std::cout, std::cerr, seed, *rules::parse_reading(rules));
}

}  // namespace

int main(int argc, char** argv) {
    // Out of memory is the only exception left; say so rather than abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "randombot: " << e.what() << '\n';
        return 2;
    }
}
