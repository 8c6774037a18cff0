// The record file: for each game the tag pairs ([Name "value"]), a blank
// line, one move line per ply with its time comment ("S 6 7 M 7 6
// {0.003s}"), then the result; a match writes its games one after another.
// A record cut off before its result line (an interrupted game) reads as a
// game with result "*".
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "records/game.h"
#include "records/time_control.h"

namespace records {

// What a record says of a game besides its moves; a tag with no value here
// is left out.
struct RecordHeader {
    std::string event;
    std::optional<std::chrono::system_clock::time_point> started;  // Date and GameStartTime
    std::optional<std::chrono::system_clock::time_point> ended;    // GameEndTime
    std::string black;
    std::string white;
    std::optional<int> rows;
    std::optional<int> columns;
    std::optional<TimeControl> time_control;
    std::string result = "*";
    std::string termination;
};

// A move as the record writes it: its line and, when known, the seconds it
// took.
struct WrittenMove {
    std::string line;
    std::optional<double> seconds;
};

void write_record(std::ostream& out, const RecordHeader& header,
                  const std::vector<WrittenMove>& moves);

// Where and why a record cannot be replayed; line 0 when no line is to blame.
struct RecordError {
    int line = 0;
    std::string why;
};

// The record's lines one after another, without their newlines; nullopt at
// the end.
using NextLine = std::function<std::optional<std::string_view>()>;

// The lines of `text`, which must outlive what is returned.
NextLine lines_of(std::string_view text);

// Reads the record line by line and hands each game to `each` as it ends,
// keeping nothing else: memory is that of the longest game. The games are
// checked as read_record checks them; the first error stops the reading.
std::optional<RecordError> read_games(const NextLine& next,
                                      const std::function<void(Game&&)>& each);

// Every game of the record, each checked to replay move by move from the
// starting position of its board size: an unreadable line or a move that
// cannot be made on the board is an error, reported at its line.
std::variant<std::vector<Game>, RecordError> read_record(std::string_view text);

}  // namespace records
