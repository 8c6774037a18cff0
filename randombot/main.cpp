#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>

#include "randombot/randombot.h"

int main(int argc, char** argv) {
    CLI::App app{"Plays uniformly random legal moves; the same seed plays the same game.",
                 "randombot"};
    std::uint64_t seed = 1;
    app.add_option("--seed", seed, "seed of the move choices (default 1)");
    CLI11_PARSE(app, argc, argv);
    return randombot::play(std::cin, std::cout, std::cerr, seed);
}
