// Positions for explain's tests, reached by seeded random play with each
// program's own move list (explain lists the legal root moves in order).
#pragma once

#include <random>
#include <string>

#include "explain/grid_explain.h"
#include "explain/tree_explain.h"

namespace explain_test {

// explain's answer for `program`; depth 0 keeps gridplayer's own schedule.
inline explain::Explanation explain_as(const std::string& program, const explain::Setup& setup,
                                       int depth = 0, bool exact = false) {
    if (program == "treeplayer")
        return explain::explain_treeplayer(setup);
    return explain::explain_gridplayer(
        setup, {depth > 0 ? std::optional<int>(depth) : std::nullopt, exact});
}

inline void play(explain::Setup& setup, const std::string& line) {
    setup.moves.push_back(*protocol::parse_move(line));
}

// Plays a random legal move; false (and nothing played) when there is none.
inline bool play_random(const std::string& program, explain::Setup& setup, std::mt19937& rng) {
    const auto moves = explain_as(program, setup, 1).moves;
    if (moves.empty())
        return false;
    play(setup, moves[rng() % moves.size()].move);
    return true;
}

}  // namespace explain_test
