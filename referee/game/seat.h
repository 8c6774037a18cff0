// Whatever plays one side of a game: a program on pipes, a person at the
// terminal, or any other kind of seat. The game speaks to both sides through
// this interface alone, so a new kind of seat needs no change to the game:
// the turns, clocks, judging and end reasons stay the game's own.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "records/usage.h"
#include "referee/common/clock.h"
#include "referee/game/outcome.h"
#include "referee/game/played_move.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "rules/side.h"

namespace referee {

// The position as the side to move finds it when its turn begins.
struct Turn {
    rules::Board board = rules::Board::starting(8, 8);
    rules::Side side = rules::Side::Black;
    rules::RuleSet rules = rules::RuleSet::Either;
    int ply = 0;                         // plies played so far
    std::optional<PlayedMove> last;      // the move just played, if any
    std::array<double, 2> clock_left{};  // seconds, black first
    Clock::time_point started;           // when this side's clock started
};

// A move line as the seat wrote it (not yet judged), or how the seat ended
// its part in the game.
using LineOrEnd = std::variant<std::string, Outcome>;

class Seat {
  public:
    Seat() = default;
    Seat(const Seat&) = delete;
    Seat& operator=(const Seat&) = delete;
    Seat(Seat&&) = delete;
    Seat& operator=(Seat&&) = delete;
    virtual ~Seat() = default;

    // A person has a clock of their own when the game gives one.
    virtual bool is_person() const { return false; }

    // Whether the seat hears the protocol's lines at all; a person reads
    // the board instead, and the log shows no line sent to them.
    virtual bool hears_lines() const { return true; }
    // The header, and then each of the opponent's moves, as a protocol line.
    // An end (this side as the loser) when the seat can no longer take it.
    virtual std::optional<Outcome> tell(const std::string& line) = 0;
    // This side is to move in `turn`.
    virtual void begin_turn(const Turn& turn) = 0;
    // While this side is to move: its line, its end, or nothing yet.
    virtual std::optional<LineOrEnd> take_line(Clock::time_point now) = 0;
    // Whatever the seat wrote that nobody asked for: a line while the
    // opponent was to move, or a second line in its own turn.
    virtual std::optional<Outcome> out_of_turn() = 0;
    // The seat has gone (its program exited or closed its output) while the
    // opponent was to move.
    virtual std::optional<Outcome> departed() = 0;
    // Takes in everything the seat has written so far, without waiting:
    // before the opponent's move is told, what came earlier was out of turn.
    virtual void catch_up() = 0;
    // While this side is to move: whether it sits blocked reading its input,
    // with nothing there to read and nothing of it at work, so that it can
    // only be waiting for a move it never sent. nullopt where the seat
    // cannot tell.
    virtual std::optional<bool> waiting_for_input() { return std::nullopt; }

    // The descriptors a wait for this seat's news watches, and whether all
    // of its news shows there (when not, the game looks again soon).
    virtual void watch(std::vector<int>& fds) const = 0;
    virtual bool wakes_waits() const { return true; }
    // Reads what the wait found ready; `ready` lists the descriptors.
    virtual void pump(const std::vector<int>& ready) = 0;

    // While the opponent thinks, a program may be stopped altogether, so it
    // cannot take CPU from the opponent; `frozen` false resumes it.
    virtual void hold(bool /*frozen*/) {}
    // The CPU seconds everything the seat started has used so far, where
    // the seat can tell: what a CPU clock charges.
    virtual std::optional<double> cpu_seconds() const { return std::nullopt; }
    // What everything the seat started has used so far, where the seat can
    // tell (the wall time is the game's to add).
    virtual records::PlayerUsage usage() const { return {}; }

    // The game is over: from now on nothing the seat says counts.
    virtual void leave() = 0;
    // The end of the seat, in the steps the game takes for both seats at
    // once: end of input, a signal for what is left, and whether everything
    // the seat started is gone.
    virtual void close_input() {}
    virtual void signal(int /*signal_number*/) {}
    virtual bool gone() { return true; }
};

// A seat played by a person, wherever they sit: they read the position off
// the board, not the protocol's lines, have no pipes to leave by or write
// out of turn on, and are only listened to while they are to move.
class PersonSeat : public Seat {
  public:
    bool is_person() const override { return true; }
    bool hears_lines() const override { return false; }
    std::optional<Outcome> tell(const std::string& /*line*/) override { return std::nullopt; }
    std::optional<Outcome> out_of_turn() override { return std::nullopt; }
    std::optional<Outcome> departed() override { return std::nullopt; }
    void catch_up() override {}
};

}  // namespace referee
