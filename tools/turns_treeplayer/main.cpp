// turns_treeplayer [POSITIONS]
// Plays treeplayer's whole turn (create_tree(root, 0) + minimax, what the game
// loop runs) on every position of a position file, by default treeplayer's
// bench set, and prints "index value move" per position: the table
// tests/treeplayer/bench_turns_expected.txt holds. Regenerate it with
//   turns_treeplayer > tests/treeplayer/bench_turns_expected.txt
// only when a change is meant to alter what treeplayer plays.
#include <CLI/CLI.hpp>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "perft.h"
#include "tools/command_line/command_line.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

namespace {

int print_turns(int argc, char** argv) {
    CLI::App app{"Prints treeplayer's value and move on each position of a position file.",
                 "turns_treeplayer"};
    std::string path = TREEPLAYER_POSITIONS;
    app.add_option("POSITIONS", path, "position file (default: the bench set)");
    if (const auto status = command_line::parse(app, argc, argv, std::cout, std::cerr))
        return *status;
    std::ifstream in(path);
    if (!in) {
        std::cerr << "turns_treeplayer: cannot open " << path << '\n';
        return 2;
    }
    std::cout << "# index value move: the whole turn (create_tree(root, 0) + minimax) on each\n"
              << "# position of bench/data/treeplayer_8x8.txt, made by turns_treeplayer.\n";
    std::string why;
    int index = 0;
    while (auto position = perft_tp::read_position(in, &why)) {
        Node root;
        root.SetBlack(position->black);
        root.SetBoard(position->board);
        create_tree(&root, 0);
        const auto [value, move] = minimax(&root, true, MIN, MAX);
        std::cout << index++ << ' ' << value << ' ' << perft_tp::move_line(move) << '\n';
    }
    if (!why.empty()) {
        std::cerr << "turns_treeplayer: " << path << ": " << why << '\n';
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return print_turns(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "turns_treeplayer: " << e.what() << '\n';
        return 2;
    }
}
