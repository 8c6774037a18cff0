// The games one job of a split run plays (--only-game): one number, a
// range or a list of both, numbered as in the whole run.
#pragma once

#include <string>
#include <variant>
#include <vector>

namespace referee {

// "7", "5-9" or "1,4,7-9" read against a run of `total` games: the games
// in order, each once; otherwise why the text names no games of the run.
std::variant<std::vector<int>, std::string> parse_game_list(const std::string& text, int total);

}  // namespace referee
