// turns_treeplayer [POSITIONS]
// Plays treeplayer's whole turn (create_tree(root, 0) + minimax, what the game
// loop runs) on every position of a position file, by default treeplayer's
// bench set, and prints "index value move" per position: the table
// bench/data/treeplayer_turns.txt holds. Regenerate it (bench/data/README.md)
// only when a change is meant to alter what treeplayer plays.
#include <CLI/CLI.hpp>
#include <fstream>
#include <ostream>
#include <string>

#include "cli/command_line.h"
#include "perft/treeplayer.h"
#include "positions/treeplayer_cells.h"
#include "treeplayer/Minimax.h"
#include "treeplayer/Node.h"
#include "treeplayer/tree.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

namespace {

int print_turns(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Prints treeplayer's value and move on each position of a position file.",
                 "turns_treeplayer"};
    std::string path = TREEPLAYER_POSITIONS;
    app.add_option("POSITIONS", path, "position file (default: the bench set)");
    if (const auto status = cli::parse(app, argc, argv, out, err))
        return *status;
    std::ifstream in(path);
    if (!in) {
        err << "turns_treeplayer: cannot open " << path << '\n';
        return 2;
    }
    out << "# index value move: the whole turn (create_tree(root, 0) + minimax) on each\n"
        << "# position of bench/data/treeplayer_8x8.txt, made by turns_treeplayer.\n";
    std::string why;
    int index = 0;
    while (auto position = positions::read_position(in, 8, 8, &why)) {
        Node root;
        root.SetBlack(position->black_to_move);
        root.SetBoard(positions::treeplayer_board(*position));
        create_tree(&root, 0);
        const auto [value, move] = minimax(&root, true, MIN, MAX);
        out << index++ << ' ' << value << ' ' << perft_tp::move_line(move) << '\n';
    }
    if (!why.empty()) {
        err << "turns_treeplayer: " << path << ": " << why << '\n';
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return cli::run_main("turns_treeplayer", argc, argv, print_turns);
}
