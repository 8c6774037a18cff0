// One game between two seats: headers, turns, clocks, move checking, the
// end of the game and the end of both seats.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "records/time_control.h"
#include "records/usage.h"
#include "referee/common/clock.h"
#include "referee/game/outcome.h"
#include "referee/game/played_move.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "rules/side.h"

namespace referee {

class Seat;

// What a move costs a program: the wall-clock time from the moment it was
// told the opponent's move until its own line was read, or the CPU time
// everything it started used meanwhile.
enum class ClockKind { Wall, Cpu };

// "wall" or "cpu", as --clock takes it.
constexpr const char* clock_kind_name(ClockKind kind) {
    return kind == ClockKind::Cpu ? "cpu" : "wall";
}

struct GameConfig {
    int rows = 8;
    int columns = 8;
    // Each side's clock; its seconds are also field 4 of the header.
    records::TimeControl time_control;
    // A person's clock, when it should differ from a program's; 0 for
    // time_control.seconds. Programs' headers keep those either way.
    int human_time_seconds = 0;
    std::chrono::milliseconds margin{0};
    int ply_limit = 300;
    int town_hall_limit = 2;  // a side with this many town halls or fewer loses
    // Which rules a move must keep: either player's reading by default, so
    // each of the two players may play by its own.
    rules::RuleSet rules = rules::RuleSet::Either;
    bool repetition_draws = true;
    // A move line is a dozen bytes; anything far longer is not a move.
    std::size_t max_line = 256;
    // The seconds a side's clock starts with: a person's own clock, if set.
    int starting_seconds(bool person) const {
        return person && human_time_seconds > 0 ? human_time_seconds : time_control.seconds;
    }
    // After end of input: time to exit on their own, then after SIGTERM.
    std::chrono::milliseconds exit_grace{500};
    std::chrono::milliseconds term_grace{500};
    // A pause after each move is shown, so a person can follow the game; on
    // neither clock.
    std::chrono::milliseconds delay{0};
    ClockKind clock = ClockKind::Wall;
    // The most CPU seconds per second a program may use (its quota): how
    // soon a CPU clock can run out, and so how often it is read.
    double cpus = 1;
    // The side not to move is frozen until it is told the opponent's move
    // (where its seat can be frozen); false lets it think meanwhile.
    bool freeze_waiting = false;
    // Where the players' clocks read the time; empty for the steady clock.
    // Tests put a made-up time here.
    std::function<Clock::time_point()> now;
};

struct GameResult {
    Outcome outcome;
    std::vector<PlayedMove> moves;
    rules::Board final_board = rules::Board::starting(8, 8);
    std::array<double, 2> clock_left{};           // seconds, indexed by Side
    std::array<records::PlayerUsage, 2> usage{};  // indexed by Side
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
};

enum class Direction { ToPlayer, FromPlayer };

// What a game tells the display and the log as it goes. Every hook has an
// empty default so each observer overrides only what it shows.
class GameObserver {
  public:
    virtual ~GameObserver() = default;
    // The clocks each side starts with, black first.
    virtual void started(const rules::Board& /*board*/,
                         const std::array<double, 2>& /*clock_left*/) {}
    virtual void moved(const rules::Board& /*board*/, const PlayedMove& /*move*/, int /*ply*/,
                       const std::array<double, 2>& /*clock_left*/) {}
    virtual void line(rules::Side /*side*/, Direction /*direction*/, std::string_view /*text*/) {}
    virtual void error_output(rules::Side /*side*/, std::string_view /*line*/) {}
    // Something the referee noticed about a side while the game goes on,
    // such as a program waiting for input on its own turn.
    virtual void notice(rules::Side /*side*/, std::string_view /*text*/) {}
    // Whether error_output() wants the players' standard error at all; when
    // not, it is still read (a full pipe would stall the player) and dropped.
    virtual bool wants_error_output() const { return false; }
};

// Plays one game to its end and ends both seats: whatever either started
// is gone when it returns. Re-entrant: games may run on several threads at
// once. When the referee is stopped by a signal (see interrupt.h) the game
// ends at once, unfinished.
GameResult play_game(const GameConfig& config, Seat& black, Seat& white, GameObserver& observer);

}  // namespace referee
