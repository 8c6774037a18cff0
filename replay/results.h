// Games from a results file (referee --results: one JSON object per line,
// each game's moves and, from newer referees, each move's time and the
// board and clocks of its run), as the record text the referee would have
// written for them, so that replay reads both alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace replay {

// Whether the text is a results file rather than a record: its first line
// that is not blank is a JSON object.
bool is_results_file(std::string_view text);

// The record of game number `game` (its number in the run, not its place in
// the file): the first finished line for it, or else an unfinished one.
// nullopt with `why` set when there is no such game.
std::optional<std::string> record_from_results(std::string_view text, int game, std::string& why);

}  // namespace replay
