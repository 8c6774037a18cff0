#include "referee/seats/seating.h"

#include "referee/seats/human.h"
#include "referee/seats/program_seat.h"

namespace referee {

bool settle_sandbox(SandboxMode mode, Confinement& confinement, std::ostream& errors) {
    if (mode == SandboxMode::Off)
        return true;
    const SandboxProbe probe = probe_sandbox();
    if (probe.works) {
        confinement.sandbox.enabled = true;
        confinement.sandbox.bwrap = probe.bwrap;
    } else if (mode == SandboxMode::On) {
        errors << "referee: --sandbox on, but players cannot be sandboxed here: " << probe.why
               << '\n';
        return false;
    } else {
        errors << "referee: players are not isolated (no sandbox): " << probe.why << '\n';
    }
    return true;
}

std::unique_ptr<Seat> take_seat(Side side, const std::vector<std::string>& command,
                                const GameConfig& config, GameObserver& observer,
                                const Seating& seating) {
    if (is_human(command)) {
        if (seating.terminal == nullptr)
            throw StartError("no terminal to play human at");
        return std::make_unique<HumanSeat>(*seating.terminal);
    }
    return std::make_unique<ProgramSeat>(side, command, config, seating.confinement, observer);
}

GameResult play_commands(const GameConfig& config, const std::vector<std::string>& black,
                         const std::vector<std::string>& white, GameObserver& observer,
                         const Seating& seating) {
    const auto black_seat = take_seat(Side::Black, black, config, observer, seating);
    const auto white_seat = take_seat(Side::White, white, config, observer, seating);
    return play_game(config, *black_seat, *white_seat, observer);
}

}  // namespace referee
