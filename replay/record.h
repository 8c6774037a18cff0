// Reading the record file the referee writes: for each game the tag pairs
// ([Name "value"]), a blank line, one move line per ply with its time
// comment ("S 6 7 M 7 6 {0.003s}"), then the result; a match writes its
// games one after another. A record cut off before its result line (an
// interrupted game) reads as a game with result "*".
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "replay/game.h"

namespace replay {

// Where and why a record cannot be replayed; line 0 when no line is to blame.
struct RecordError {
    int line = 0;
    std::string why;
};

// Every game of the record, each checked to replay move by move from the
// starting position of its board size: an unreadable line or a move that
// cannot be made on the board is an error, reported at its line.
std::variant<std::vector<Game>, RecordError> read_record(std::string_view text);

}  // namespace replay
