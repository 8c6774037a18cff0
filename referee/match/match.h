// A run of games: one game, a match of two programs or a tournament of
// more, played one at a time or side by side, with the running score, the
// record, the log, the results file and the closing summary.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "records/results.h"
#include "referee/formats/pairings.h"
#include "referee/game/game.h"
#include "referee/game/outcome.h"
#include "referee/match/publish.h"
#include "referee/match/tournament.h"
#include "referee/process/child_process.h"
#include "referee/seats/player.h"
#include "referee/stats/stats.h"

namespace referee {

// kSignalBase + N: stopped by signal N, as a shell reports a process killed
// by it.
enum ExitStatus { kPlayed = 0, kWriteFailed = 1, kUsage = 2, kStartFailed = 3, kSignalBase = 128 };

// For a run whose games another part plays: the board page plays a match's
// games as games it lists and shows. Each one unset by default.
struct MatchHooks {
    // Plays the game instead of the runner starting the players' commands;
    // throws StartError when a player cannot start.
    std::function<GameResult(const ScheduledGame& game)> play;
    // Hears each game once it is counted, with the standings so far.
    std::function<void(const ScheduledGame& game, const GameResult& result,
                       const Tournament& tournament)>
        counted;
    // Asked before each game: false starts no more.
    std::function<bool()> go_on;
};

struct MatchOptions {
    GameConfig game;
    // What each player may use and reach; the sandbox is settled when the
    // run starts, from `sandbox`.
    Confinement confinement;
    SandboxMode sandbox = SandboxMode::Auto;
    // In the order given: the first is black in the first game, and the
    // one a match's score and Elo difference are told for.
    std::vector<Player> players;
    // Empty: none; "{game}" in the path: one file per game, named by number.
    std::string record_path;
    std::string log_path;
    // Empty: none; otherwise each player's own log of each game, in
    // DIR/NAME/game-K.txt.
    std::string player_logs_dir;
    std::size_t error_cap = std::size_t{1} << 20;  // stderr bytes logged per player and game
    bool quiet = false;
    bool no_color = false;
    // Redraw the board in place after each move, on a terminal.
    bool watch = false;
    int games = 1;  // per pairing, colours alternating
    TournamentKind kind = TournamentKind::RoundRobin;
    int rounds = 0;       // a Swiss tournament's
    int concurrency = 1;  // games played side by side
    std::optional<SprtSettings> sprt;
    // Empty: no results file. A file that holds games of this run already
    // resumes it: only the games missing from it are played. {game} names
    // the file by the one game a job plays, {batch} by its batch.
    std::string results_path;
    // Play only these games of the run, in order (numbers as in the whole
    // run); empty for all.
    std::vector<int> only_games;
    // Games a job of a split run plays: --schedule prints one job per
    // `batch` games, and {batch} in a job's paths is the number of the
    // batch its first game lies in. 0: a job per game, no {batch}.
    int batch = 0;
    // The options every game of a split run must share (board, clocks,
    // limits, display), as words, for --schedule to repeat.
    std::vector<std::string> game_options;
    // Of those, the ones that decide how games are played: a results file
    // resumes only a run with the same.
    std::vector<std::string> run_options;
    // The words that give each job of a split run its own files ("--record",
    // an absolute path with {game} or {batch} in it, ...), for --schedule.
    std::vector<std::string> job_files;
    // A line as each game starts and ends, with the progress of the run,
    // also when standard output is no terminal (where a status line is
    // redrawn in place anyway, when no boards are shown).
    bool progress = false;
    int standings_every = 0;  // standings after every N games; 0 for none
    // The confinement is settled already (a field run settles it before
    // its builds); otherwise the run settles it before any game.
    bool settled = false;
    // Written to the results file ahead of the games (see field.h).
    std::vector<records::Build> builds;
    // Given the whole run once its summary is printed; a split run's job
    // publishes nothing (its --merge does).
    Publish publish;
    MatchHooks hooks;
};

// How many games the run plays in all.
int total_games(const MatchOptions& options);

// "Finished game 1 (treeplayer vs gridplayer): 1-0 {white lost its town halls}"
std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome);

// Plays the games the options describe, writing the boards (unless quiet or
// several at once), the result lines, scores and summary to `out`. Returns
// the exit status.
int run_match(const MatchOptions& options, std::ostream& out, std::ostream& errors);

// --schedule: one referee command per game (or per batch of games),
// `referee` being how a job starts this program; for a Swiss tournament,
// the games of its next round from the results so far. Returns the exit
// status.
int print_schedule(const MatchOptions& options, const std::string& referee, std::ostream& out,
                   std::ostream& errors);

}  // namespace referee
