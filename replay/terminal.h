// The replay in a terminal, drawn as the referee shows a game
// (gamepage/terminal.h): the status line of a ply, then the board with the
// move's squares bracketed.
#pragma once

#include <ostream>
#include <string>

#include "records/game.h"

namespace replay {

// The position after `ply` moves with the line that says how it came about;
// the last position also gets the game's result.
std::string render_position(const records::Game& game, int ply, bool color);

// The tag pairs, then every position from the start to the last move, in
// time linear in the moves.
void render_game(std::ostream& out, const records::Game& game, bool color);

// "1-0 {white lost its town halls: 2 of them left}"; the reason comes from
// the Termination tag, and a game without result says the record stops.
std::string result_text(const records::Game& game);

}  // namespace replay
