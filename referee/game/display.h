// The board as a person watching the game sees it: drawn as replay draws a
// record (gamepage/terminal.h), coloured where text/color.h says.
#pragma once

#include "gamepage/terminal.h"
#include "text/color.h"

namespace referee {

using gamepage::clock_text;
using gamepage::render_board;
using gamepage::render_clocks;
using gamepage::render_start;
using gamepage::render_status;
using text::want_color;

// What the terminal sends to move the cursor home and clear the screen, so a
// watched game is redrawn in place rather than scrolled.
constexpr const char* kRedraw = "\033[H\033[2J";

}  // namespace referee
