// A game's clocks: the same value from the command line through the game
// and its record to the replay.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace records {

// Written as the record's TimeControl tag gives it: "S" (S seconds per side
// for the whole game), "S+INC" (INC seconds added after each move) and
// either followed by " move M" (no single move over M seconds), e.g. "150",
// "150+2", "150+2 move 5", "60 move 0.5". The numbers after S are written in
// the fewest digits that read back exactly.
struct TimeControl {
    int seconds = 150;
    double increment = 0;     // added to a side's clock after each of its moves
    double move_seconds = 0;  // the most one move may take; 0 for no bound

    bool operator==(const TimeControl&) const = default;
};

std::string format_time_control(const TimeControl& control);
// nullopt for text of any other form.
std::optional<TimeControl> parse_time_control(std::string_view text);

}  // namespace records
