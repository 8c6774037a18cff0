// One finished game as a tournament remembers it: enough to rebuild the
// standings and statistics, and the whole game for anyone who wants to look
// at it again. The results file holds one of these per line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace referee {

// What makes a run the run it is, written into each of its results lines:
// a run started again with the same --results resumes only when its own is
// equal, and a merge can tell games of separate runs apart.
struct RunInfo {
    std::vector<std::string> players;   // the names shown, in the order given
    std::vector<std::string> commands;  // as given, relative program paths made absolute
    std::string tournament;             // "round-robin" or "gauntlet"
    int games = 1;                      // per pairing
    // The options that decide how games are played (board, clocks, limits,
    // rules), as words; not how they are shown or where players may write.
    std::vector<std::string> options;
    int rows = 8;  // the board and clocks again, for replay
    int columns = 8;
    std::string time_control = "150";  // as a record's TimeControl tag

    bool operator==(const RunInfo&) const = default;
};

// How `there` differs from `here`, in words ("the players: a, b here, a, c
// there"), or "" when it does not.
std::string run_difference(const RunInfo& here, const RunInfo& there);

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
    // Seconds each move took, as the record writes them; empty in files of
    // older referees.
    std::vector<double> times;
    // The run that played it; none in files of older referees.
    std::optional<RunInfo> run;
    // Where it was read ("r.jsonl line 3"); never written.
    std::string origin;
};

}  // namespace referee
