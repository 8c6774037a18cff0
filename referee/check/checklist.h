// What a bot's author learns from `referee --check`: one line per thing a
// bot must do, passed or failed, with what the two games showed and, for a
// failure, what to change.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "referee/game/game.h"

namespace referee {

// How the bot's part ended once the game was over.
enum class Leaving {
    OnItsOwn,    // it exited within the grace after end of input
    Signalled,   // the referee had to signal it
    GoneBefore,  // it was gone before the game ended (or never started)
};

// One game of the check, as far as the bot is concerned.
struct CheckedGame {
    rules::Side side = rules::Side::Black;   // the bot's
    std::optional<std::string> start_error;  // it could not be started
    GameResult result;
    // The bot sat waiting for input on its own turn, this long after the
    // line it was to answer was sent; the game was stopped there.
    std::optional<double> waited_after;
    Leaving leaving = Leaving::GoneBefore;
    double left_after = 0;  // seconds from end of input to its exit
};

enum class Verdict { Passed, Failed, NotChecked };

struct CheckLine {
    std::string what;  // "starts and answers the header"
    Verdict verdict = Verdict::Passed;
    std::string evidence;
    std::string hint;  // what to change, shown when the line failed
};

// The lines for the bot's two games (as black, then as white).
std::vector<CheckLine> checklist(const std::vector<CheckedGame>& games);

// Writes the lines, one each (with its hint under a line that did not
// pass), and a last line with the count; true when every line passed.
bool print_checklist(const std::vector<CheckLine>& lines, std::ostream& out);

}  // namespace referee
