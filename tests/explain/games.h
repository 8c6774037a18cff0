// Positions for explain's tests, reached by seeded random play with each
// program's own move list (explain lists the legal root moves in order).
#pragma once

#include <random>
#include <string>
#include <vector>

#include "explain/explanation.h"
#include "explain/setup.h"

namespace explain_test {

// explain's answer for `program` ("treeplayer" or "gridplayer"); depth 0
// keeps gridplayer's own schedule.
explain::Explanation explain_as(const std::string& program, const explain::Setup& setup,
                                int depth = 0, bool exact = false);

// The legal moves of the side to move, in the program's order.
std::vector<std::string> legal_moves(const std::string& program, const explain::Setup& setup);

// Plays a random legal move; false (and nothing played) when there is none.
bool play_random(const std::string& program, explain::Setup& setup, std::mt19937& rng);

void play(explain::Setup& setup, const std::string& line);

}  // namespace explain_test
