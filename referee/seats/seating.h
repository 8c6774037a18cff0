// Who sits where: a player command becomes a seat of the right kind. The
// bare word "human" is a person at the terminal; any other command is a
// program.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "referee/game/game.h"
#include "referee/game/seat.h"
#include "referee/process/child_process.h"
#include "referee/process/sandbox.h"

namespace referee {

class Keyboard;
struct Terminal;

// Whether a player command is the bare word "human". A program of that name
// is still reachable as "./human" or by its full path.
bool is_human(const std::vector<std::string>& command);

// Where the seats of a run come from: the terminal people play at (none:
// nobody may play human) and what each program may use and reach.
struct Seating {
    const Terminal* terminal = nullptr;
    Confinement confinement;
};

// The terminal of the referee itself, for the people of a run: they type on
// its standard input and see `screen`. One keyboard for the whole run, so
// that what was typed ahead carries into the next game.
class ConsoleSeating {
  public:
    explicit ConsoleSeating(std::ostream& screen);
    ~ConsoleSeating();
    ConsoleSeating(const ConsoleSeating&) = delete;
    ConsoleSeating& operator=(const ConsoleSeating&) = delete;

    // The seating of the games to come: `shows_moves` when the display
    // already shows the board after every move, `color` for the prompts.
    // Valid while this lives, until the next call.
    Seating seating(const Confinement& confinement, bool shows_moves, bool color);

  private:
    std::ostream& screen_;
    std::unique_ptr<Keyboard> keyboard_;
    std::unique_ptr<Terminal> terminal_;
};

// Settles how players are confined, before any game: in the sandbox
// wherever it works unless `mode` is off, with every guarantee this machine
// allows (the sandbox's and the bounds of each player's control group;
// those it does not give are named on `errors` in one line), and as root
// under ids of their own, which must be able to run `commands`. False when
// the run must not start: --sandbox on with a guarantee missing, a command
// its player's id cannot read, or `game` asking for a clock of CPU time
// where no control group counts it (each said on `errors`).
bool settle_sandbox(SandboxMode mode, const GameConfig& game, Confinement& confinement,
                    const std::vector<std::vector<std::string>>& commands, std::ostream& errors);

// Throws StartError when the seat cannot be taken: a program that cannot be
// started, or a person where there is no terminal to play at.
std::unique_ptr<Seat> take_seat(rules::Side side, const std::vector<std::string>& command,
                                const GameConfig& config, GameObserver& observer,
                                const Seating& seating);

// One game between two commands, black first (see play_game in game.h).
GameResult play_commands(const GameConfig& config, const std::vector<std::string>& black,
                         const std::vector<std::string>& white, GameObserver& observer,
                         const Seating& seating = {});

}  // namespace referee
