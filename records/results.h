// The results line: one JSON object per game, as a results file holds them
// (a summary line at the end of a run is the referee's and is skipped here).
// Many one-game referees may append to one file at once, and a file a
// crashed run left behind still reads.
#pragma once

#include <array>
#include <chrono>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "records/record.h"
#include "records/run.h"
#include "records/usage.h"

namespace records {

// The player whose breach of the rules of play ended a game (a time
// forfeit, a malformed line, a crash, ...), so that each author learns of
// their own; a game the rules of the game ended has none.
struct Fault {
    std::string player;  // the name shown
    std::string side;    // "black" or "white"
    std::string kind;    // a short fixed word, e.g. "time-forfeit", "malformed-line"

    bool operator==(const Fault&) const = default;
};

// A submission's build, run once before the games of a run that was given
// a field of submissions: a results file holds one line for each, ahead of
// the games, so a published run can show every author their own build and
// say why a player was left out.
struct Build {
    std::string player;
    bool ok = true;      // false: the player was left out of the run
    std::string why;     // when not ok: "exited with status 2", "took more than 600 s"
    double seconds = 0;  // wall time the build took
    std::string output;  // what it wrote, standard output and error together

    bool operator==(const Build&) const = default;
};

// {"build": {...}}: one line, ending in a newline.
std::string build_line(const Build& build);

// One game as a results file remembers it: enough to rebuild the standings
// and statistics, and the whole game for anyone who wants to look at it
// again.
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
    // What each player used, black first; none in files of older referees.
    std::optional<std::array<PlayerUsage, 2>> usage;
    // Whose fault ended it; none when the rules did (or in older files).
    std::optional<Fault> fault;
    // The run that played it; none in files of older referees.
    std::optional<RunInfo> run;
    // Where it was read ("r.jsonl line 3"); never written.
    std::string origin;
};

// "2026-12-07T10:25:52.123Z": UTC, so files from machines in different
// time zones sort and compare.
std::string iso8601(std::chrono::system_clock::time_point when);

// One line, ending in a newline.
std::string game_line(const GameEntry& entry);

// A line that is not a game's: a summary, a build, or one that carries
// nothing.
struct NotAGame {};
// The game a line holds; NotAGame for a summary; otherwise why the line
// cannot be read (text that is not a JSON object is "not a JSON object").
std::variant<GameEntry, NotAGame, std::string> read_game_line(std::string_view line);

// Of two lines for one game, whether `later` replaces `kept`: a job stopped
// by a signal and run again left an unfinished "*" line before the
// finished one, and the game was played after all; otherwise the first
// line read stands.
bool replaces(const GameEntry& kept, const GameEntry& later);

// The game lines of one results file, in file order.
struct ReadResults {
    std::vector<GameEntry> games;
    // One per player, the last line read for it: a resumed run built again.
    std::vector<Build> builds;
    std::vector<std::string> problems;  // lines skipped, each with why
    int unreadable = 0;                 // files that could not be opened
};
// Skips summary lines and collects build lines; `name` labels the problems ("results.jsonl line 7:
// ...").
ReadResults read_results(std::istream& in, const std::string& name);

// The record of game number `game` (its number in the run, not its place in
// the results text): the line `replaces` prefers. nullopt with `why` set
// when there is no such game.
std::optional<std::string> record_from_results(std::string_view text, int game, std::string& why);

// The record the referee would have written for the game, so that a game
// kept in a results file replays as one from a record file.
std::string record_of(const GameEntry& entry);

// Whether the text is a results file rather than a record: its first line
// that is not blank is a JSON object.
bool is_results_file(std::string_view text);

}  // namespace records
