// perft_treeplayer DEPTH [POSITION_FILE]
// Counts the positions reached by treeplayer's move list to DEPTH plies,
// from the start position with black to move, or from the position in
// POSITION_FILE (format: perft.h). Prints one divide line per root move,
// "S 0 5 M 0 4: 1234", then "total: N". Exit 0, or 2 on bad arguments.
#include <charconv>
#include <fstream>
#include <iostream>
#include <string>

#include "perft.h"
#include "treeplayer/cannon_list.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: perft_treeplayer DEPTH [POSITION_FILE]\n";
        return 2;
    }
    const std::string depth_text = argv[1];
    int depth = -1;
    auto [end, error] =
        std::from_chars(depth_text.data(), depth_text.data() + depth_text.size(), depth);
    if (error != std::errc() || end != depth_text.data() + depth_text.size() || depth < 0 ||
        depth > 12) {
        std::cerr << "perft_treeplayer: depth must be an integer in 0..12: \"" << depth_text
                  << "\"\n";
        return 2;
    }
    perft_tp::Position position{initialise(), true};
    if (argc == 3) {
        std::ifstream in(argv[2]);
        if (!in) {
            std::cerr << "perft_treeplayer: cannot open \"" << argv[2] << "\"\n";
            return 2;
        }
        std::string why;
        auto read = perft_tp::read_position(in, &why);
        if (!read) {
            std::cerr << "perft_treeplayer: " << argv[2] << ": "
                      << (why.empty() ? "no position in file" : why) << "\n";
            return 2;
        }
        position = *read;
    }
    std::uint64_t total = 0;
    if (depth == 0) {
        total = 1;
    } else {
        for (const auto& line : perft_tp::divide(position.board, position.black, depth)) {
            std::cout << perft_tp::format_divide_line(line) << '\n';
            total += line.count;
        }
    }
    std::cout << "total: " << total << '\n';
    return 0;
}
