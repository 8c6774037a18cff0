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

struct Terminal;

// Where the seats of a run come from: the terminal people play at (none:
// nobody may play human) and what each program may use and reach.
struct Seating {
    const Terminal* terminal = nullptr;
    Confinement confinement;
};

// Whether players run in the sandbox: wherever it works unless `mode` is
// off. Whatever players cannot be held to here (the sandbox, the bounds of
// their control groups) is said in one line on `errors`; false when `mode`
// is on and anything is missing, or when `game` asks for a clock of CPU
// time and no control group counts it. Sets the sandbox of `confinement`
// accordingly.
bool settle_sandbox(SandboxMode mode, const GameConfig& game, Confinement& confinement,
                    std::ostream& errors);

// Throws StartError when the seat cannot be taken: a program that cannot be
// started, or a person where there is no terminal to play at.
std::unique_ptr<Seat> take_seat(Side side, const std::vector<std::string>& command,
                                const GameConfig& config, GameObserver& observer,
                                const Seating& seating);

// One game between two commands, black first (see play_game in game.h).
GameResult play_commands(const GameConfig& config, const std::vector<std::string>& black,
                         const std::vector<std::string>& white, GameObserver& observer,
                         const Seating& seating = {});

}  // namespace referee
