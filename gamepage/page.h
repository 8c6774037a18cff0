// The replay as one self-contained web page: the board drawn as SVG, the
// tag pairs, the move list and controls to step through the game. The page
// needs no network and no other file: its script, style and the game's data
// are all inside it.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "records/game.h"

namespace gamepage {

// The page opens at `start_ply` unless its address names another
// ("page.html#ply=12").
std::string html_page(const records::Game& game, int start_ply);

// A page for every game of a match record, with an index to move between
// them; it opens on game `shown` (counted from 0) at `start_ply`, unless its
// address names another ("page.html#game=2&ply=12", the game counted from 1).
std::string html_page(const std::vector<records::Game>& games, std::size_t shown, int start_ply);

// The same page written as it is made.
void write_html_page(std::ostream& out, const std::vector<records::Game>& games, std::size_t shown,
                     int start_ply);

// Hands every game of the record, in order, to the function it is given.
using EachGame = std::function<void(const std::function<void(const records::Game&)>&)>;

// The page for game `shown` (counted from 0) of a record of `count` games,
// the others for its index coming from `games` one at a time as they are
// written: memory stays that of the shown game and the longest other.
void write_html_page(std::ostream& out, const records::Game& game, std::size_t shown,
                     std::size_t count, int start_ply, const EachGame& games);

}  // namespace gamepage
