// The board as a person watching the game sees it: drawn as replay draws a
// record (gamepage/terminal.h), coloured where text/color.h says; here only
// what a live display adds.
#pragma once

namespace referee {

// What the terminal sends to move the cursor home and clear the screen, so a
// watched game is redrawn in place rather than scrolled.
constexpr const char* kRedraw = "\033[H\033[2J";

}  // namespace referee
