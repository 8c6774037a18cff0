// One finished game as a tournament remembers it: enough to rebuild the
// standings and statistics, and the whole game for anyone who wants to look
// at it again. The results file holds one of these per line.
#pragma once

#include <string>
#include <vector>

namespace referee {

struct GameEntry {
    int game = 0;  // number in the tournament's schedule, from 1
    std::string black;
    std::string white;
    // "1-0" black won, "0-1" white won, "1/2-1/2" a draw, "*" not finished
    // (a game that never came to a result counts for nobody).
    std::string result = "*";
    std::string termination;  // the reason with its detail, as the record writes it
    std::string reason;       // the reason alone, which summaries group by
    int plies = 0;
    std::vector<std::string> moves;
    double time_black = 0;  // seconds each side's clock ran
    double time_white = 0;
    std::string start;  // ISO 8601, UTC
    std::string end;
    // How many games the whole run was to play, so a merge can tell that the
    // last ones are missing; 0 when unknown.
    int scheduled = 0;
};

}  // namespace referee
