#include "referee/seats/seating.h"

#include "referee/seats/human.h"
#include "referee/seats/program_seat.h"

namespace referee {

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : "; ") + item;
    return text;
}

}  // namespace

bool settle_sandbox(SandboxMode mode, const GameConfig& game, Confinement& confinement,
                    std::ostream& errors) {
    const GroupLimits limits = group_limits(confinement);
    if (game.clock == ClockKind::Cpu) {
        const auto group = PlayerCgroup::create(limits);
        if (!group || !group->has(Controller::CpuTime)) {
            errors << "referee: --clock cpu, but no control group can count a player's CPU time "
                      "here (docs/sandbox.md)\n";
            return false;
        }
    }
    if (mode == SandboxMode::Off)
        return true;
    std::vector<std::string> missing = missing_guarantees(limits);
    if (!game.freeze_waiting)
        std::erase(missing, "no freezing");
    const SandboxProbe probe = probe_sandbox();
    if (probe.works) {
        confinement.sandbox.enabled = true;
        confinement.sandbox.bwrap = probe.bwrap;
    } else {
        missing.insert(missing.begin(), "no sandbox: " + probe.why);
    }
    if (missing.empty())
        return true;
    if (mode == SandboxMode::On) {
        errors << "referee: --sandbox on, but players cannot be confined here: " << joined(missing)
               << '\n';
        return false;
    }
    errors << "referee: players are not isolated (" << joined(missing) << ")\n";
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
