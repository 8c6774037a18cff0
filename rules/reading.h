// The two players read a few rules differently. A reading is one player's
// complete rule book; the referee may hold a game to either or to both.
#pragma once

#include <optional>
#include <string_view>

namespace rules {

enum class Reading { Treeplayer, Gridplayer };

// treeplayer knows only the 8x8 board; gridplayer's rules are stated for a
// board of any size.
bool applies(Reading reading, int rows, int columns);

// "treeplayer" or "gridplayer".
const char* reading_name(Reading reading);
std::optional<Reading> parse_reading(std::string_view name);

// One paragraph, for --help texts and the README: what each reading allows
// where the two differ.
std::string_view reading_differences();

}  // namespace rules
