// A finished run as a static site: a folder of plain pages that opens from
// the disk or any web server, with no network and no server code. index.html
// has the standings, ratings and the crosstable at any size; standings.csv
// and crosstable.csv hold the same; players/ has a page per player (its
// games, its faults, its build); games/ a replay page per game.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "referee/match/publish.h"

namespace referee::site {

// "players/player-3.html": the page of the third player named, counted in
// the order of the standings' players, then the players left out.
std::string player_page(std::size_t place);

// Writes the site into `dir`, making it if needed; false, said on
// `errors`, when a file could not be written or a game's moves do not
// replay (that game gets no page; everything else is written).
bool write_site(const std::filesystem::path& dir, const FinishedRun& run, std::ostream& errors);

}  // namespace referee::site
