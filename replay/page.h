// The replay as one self-contained web page: the board drawn as SVG, the
// tag pairs, the move list and controls to step through the game. The page
// needs no network and no other file: its script, style and the game's data
// are all inside it.
#pragma once

#include <string>

#include "replay/game.h"

namespace replay {

// The page opens at `start_ply` unless its address names another
// ("page.html#ply=12").
std::string html_page(const Game& game, int start_ply);

}  // namespace replay
