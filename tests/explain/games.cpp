#include "games.h"

#include "explain/grid_explain.h"
#include "explain/tree_explain.h"

namespace explain_test {

explain::Explanation explain_as(const std::string& program, const explain::Setup& setup, int depth,
                                bool exact) {
    if (program == "treeplayer")
        return explain::explain_treeplayer(setup);
    explain::GridOptions options;
    if (depth > 0)
        options.depth = depth;
    options.exact = exact;
    return explain::explain_gridplayer(setup, options);
}

std::vector<std::string> legal_moves(const std::string& program, const explain::Setup& setup) {
    std::vector<std::string> lines;
    for (const auto& move : explain_as(program, setup, 1).moves)
        lines.push_back(move.move);
    return lines;
}

bool play_random(const std::string& program, explain::Setup& setup, std::mt19937& rng) {
    const auto moves = legal_moves(program, setup);
    if (moves.empty())
        return false;
    play(setup, moves[rng() % moves.size()]);
    return true;
}

void play(explain::Setup& setup, const std::string& line) {
    setup.moves.push_back(*protocol::parse_move(line));
}

}  // namespace explain_test
