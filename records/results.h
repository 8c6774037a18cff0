// The results line: one JSON object per game, as a results file holds them
// (a summary line at the end of a run is the referee's and is skipped here).
// The run the games belong to is a line of its own, {"run": {...}}, ahead
// of them: it holds every player's command, far longer than a game, so it
// is written once per file and every game line after it belongs to it
// (files of older referees repeat it on every game line, and still read).
// Many one-game referees may append to one file at once, and a file a
// crashed run left behind still reads.
#pragma once

#include <array>
#include <chrono>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "records/record.h"
#include "records/result.h"
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
    // A Result's text: "1-0" black won, "0-1" white won, "1/2-1/2" a draw,
    // "*" not finished (a game that never came to a result counts for
    // nobody). Read lines hold one of the four; result_of gives its value.
    std::string result = Result::unfinished().text();
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
    // The run that played it, from the file's run line (or, in files of
    // older referees, its own line); none in files older still. Shared: a
    // file's games all point at the one description.
    std::shared_ptr<const RunInfo> run;
    // Where it was read ("r.jsonl line 3"); never written.
    std::string origin;
};

// Lets go of a game's moves and times, and of the memory they held (clear()
// keeps it): standings need only who played and how it ended, and a run
// of thousands of games would otherwise keep every move's worth.
void drop_moves(GameEntry& entry);

// "2026-12-07T10:25:52.123Z": UTC, so files from machines in different
// time zones sort and compare.
std::string iso8601(std::chrono::system_clock::time_point when);

// One line, ending in a newline. The run is not written: run_line says it
// once, ahead of the games.
std::string game_line(const GameEntry& entry);

// {"run": {...}}: one line, ending in a newline; the game lines after it
// belong to this run.
std::string run_line(const RunInfo& run);

// The games as a file holds them: those of no known run first, then each
// run's line followed by its games, runs in the order they first come.
void write_games(std::ostream& out, const std::vector<GameEntry>& games);

// A line that is not a game's: a summary, a build, or one that carries
// nothing.
struct NotAGame {};
// The game a line holds; NotAGame for a summary, a build or a run line;
// otherwise why the line cannot be read (text that is not a JSON object is
// "not a JSON object"). A game's run is only what its own line says.
std::variant<GameEntry, NotAGame, std::string> read_game_line(std::string_view line);

// The result an entry holds. Text that is none of the four (only an entry
// made in code can hold it: the reader refuses such a line) counts as
// unfinished, for nobody.
Result result_of(const GameEntry& entry);

// Of two lines for one game, whether `later` replaces `kept`: a job stopped
// by a signal and run again left an unfinished "*" line before the
// finished one, and the game was played after all; otherwise the first
// line read stands.
bool replaces(const GameEntry& kept, const GameEntry& later);

// A run line as read: what it says and where.
struct RunLine {
    std::shared_ptr<const RunInfo> run;
    std::string origin;  // "r.jsonl line 1"
};

// The game lines of one results file, in file order.
struct ReadResults {
    std::vector<GameEntry> games;
    // Every run line, in file order; the last is the run a game line
    // appended now would belong to.
    std::vector<RunLine> runs;
    // One per player, the last line read for it: a resumed run built again.
    std::vector<Build> builds;
    std::vector<std::string> problems;  // lines skipped, each with why
    int unreadable = 0;                 // files that could not be opened
};
// Skips summary lines and collects build and run lines, each game taking
// the run of the run line before it; `name` labels the problems
// ("results.jsonl line 7: ..."). Without `moves` the games keep no moves
// or times (their plies stay): a run resuming from a file shared by many
// jobs needs only who played and how it ended.
ReadResults read_results(std::istream& in, const std::string& name, bool moves = true);

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
