// The standings and the crosstable as CSV files, for spreadsheets and
// scripts: every player at any field size, with the numbers the summary
// prints.
#pragma once

#include <string>

#include "referee/stats/standings.h"

namespace referee::site {

// One row per player, best first: rank, player, points, games, wins,
// losses, draws, score (per cent, empty without games), rating, rating_low,
// rating_high (empty when there are no ratings: two players, or none),
// faults (the games it lost by its own fault: "2 time-forfeit, 1 exited").
std::string standings_csv(const Standings& standings);

// A header of rank, player and every player's name, then one row per
// player in standings order: its points against each column's player out
// of their games ("1.5/2"), "-" when they did not meet, "x" against itself.
std::string crosstable_csv(const Standings& standings);

// "12.5": points, per cents and seconds with the one decimal the summary
// prints them with.
std::string decimal(double value);

// The games player `player` lost by its own fault, as the summary counts
// them: "2 time-forfeit, 1 exited"; empty for none.
std::string own_faults(const Standings& standings, int player);

// A field as RFC 4180 writes it: quoted, with quotes doubled, when it holds
// a comma, a quote, a line break or blanks at either end.
std::string csv_field(const std::string& text);

}  // namespace referee::site
