#include "rules/reading.h"

namespace rules {

bool applies(Reading reading, int rows, int columns) {
    if (reading == Reading::Treeplayer)
        return rows == 8 && columns == 8;
    return rows > 0 && columns > 0;
}

const char* reading_name(Reading reading) {
    return reading == Reading::Treeplayer ? "treeplayer" : "gridplayer";
}

std::optional<Reading> parse_reading(std::string_view name) {
    if (name == "treeplayer")
        return Reading::Treeplayer;
    if (name == "gridplayer")
        return Reading::Gridplayer;
    return std::nullopt;
}

std::string_view reading_differences() {
    return "The two readings differ in five points. Sideways: gridplayer lets a soldier "
           "capture an enemy soldier or town hall on the square directly beside it; "
           "treeplayer has no sideways move. Retreats (two rows back, straight or two "
           "columns to either side): treeplayer opens them when an enemy soldier stands on "
           "one of the three squares ahead of the soldier or the three behind it, gridplayer "
           "when one stands on the three squares ahead or the two beside it. Town-hall "
           "squares: treeplayer never moves a soldier onto, or shoots at, a square where one "
           "of its own town halls started, and its cannons neither slide onto nor shoot past "
           "a town-hall square of either side, even after the town hall is gone; gridplayer "
           "treats such a square as empty once its town hall is gone. Shots: treeplayer "
           "names the cannon's middle soldier as the source, gridplayer the end soldier "
           "nearer the target. Shooting over pieces: both shoot two or three squares beyond "
           "the cannon's front end when the square just beyond it is free; treeplayer fires "
           "at the farther square whatever stands on the nearer one, gridplayer only when "
           "the nearer one is empty. Treeplayer's reading applies on 8x8 boards only.";
}

}  // namespace rules
