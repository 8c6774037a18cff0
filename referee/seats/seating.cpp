#include "referee/seats/seating.h"

#include <unistd.h>

#include <chrono>

#include "referee/process/cgroup.h"
#include "referee/process/guarantees.h"
#include "referee/process/player_ids.h"
#include "referee/process/player_view.h"
#include "referee/process/reach.h"
#include "referee/process/sandbox.h"
#include "referee/process/syscall_filter.h"
#include "referee/seats/human.h"
#include "referee/seats/program_seat.h"
#include "text/printable.h"

namespace referee {

namespace {

constexpr auto kProbeTime = std::chrono::seconds(10);

std::string joined(const std::vector<std::string>& words, const std::string& between = " ") {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : between) + word;
    return text;
}

// Runs bwrap's --version inside the sandbox `confinement` describes, as
// the last id of the range (no player's, as long as the range is not used
// up): "" when it works, else why not.
std::string sandbox_fails(const Confinement& confinement) {
    Launch launch{{confinement.sandbox.bwrap, "--version"}, "", confinement, std::nullopt};
    if (confinement.own_ids)
        launch.id = PlayerIds::instance().range().last;
    try {
        ChildProcess bwrap(launch);
        bwrap.close_input();
        if (!bwrap.wait_until(Clock::now() + kProbeTime))
            return "bwrap did not finish within 10 s";
        std::string said;
        while (said.size() < 4096 && read_available(bwrap.error_fd(), said, 4096) > 0) {
        }
        const std::string status = bwrap.status_text();
        if (status == "exit status 0")
            return {};
        said = said.substr(0, said.find('\n'));
        return said.empty() ? "bwrap failed (" + status + ")" : said;
    } catch (const StartError& failure) {
        return failure.what();
    }
}

// The sandbox with as many of its guarantees as bwrap gives here; each
// one it does not give is named in `guarantees`.
void find_sandbox(Confinement& confinement, Guarantees& guarantees) {
    SandboxSettings& sandbox = confinement.sandbox;
    int error = 0;
    sandbox.bwrap = find_program("bwrap", error);
    if (sandbox.bwrap.empty()) {
        guarantees.lack("no sandbox", "bwrap (Debian package bubblewrap) was not found in PATH");
        return;
    }
    std::string no_filter;
    const std::string filter = build_syscall_filter(no_filter);
    sandbox.enabled = true;
    sandbox.syscall_filter = filter;
    sandbox.disable_userns = true;
    if (sandbox_fails(confinement).empty()) {
        if (filter.empty())
            guarantees.lack("no system call filter", no_filter);
        return;
    }
    // Which part fails: the sandbox itself, or one of its guarantees.
    sandbox.syscall_filter.clear();
    sandbox.disable_userns = false;
    if (const std::string why = sandbox_fails(confinement); !why.empty()) {
        sandbox.enabled = false;
        guarantees.lack("no sandbox", why);
        return;
    }
    sandbox.disable_userns = true;
    if (const std::string why = sandbox_fails(confinement); !why.empty()) {
        sandbox.disable_userns = false;
        guarantees.lack("players may make namespaces of their own", why);
    }
    sandbox.syscall_filter = filter;
    const std::string why = filter.empty() ? no_filter : sandbox_fails(confinement);
    if (!why.empty()) {
        sandbox.syscall_filter.clear();
        guarantees.lack("no system call filter", why);
    }
}

// Why a player's id may fail to reach what its command needs, and the fix.
std::string reach_hint(bool sandboxed) {
    return sandboxed ? " (its own files must be readable by others; show a path its command does "
                       "not name with --player-see PATH)"
                     : " (its own files must be readable by others)";
}

// Each command's files, as its player's id would use them, through what
// its start reveals (named on `errors`).
bool commands_usable(const Confinement& confinement,
                     const std::vector<std::vector<std::string>>& commands, std::ostream& errors) {
    const bool sandboxed = confinement.sandbox.enabled;
    Reach::instance().use(PlayerIds::instance().range().last);
    for (const auto& command : commands) {
        int error = 0;
        const std::string program = is_human(command) ? "" : find_program(command[0], error);
        if (program.empty())
            continue;  // not a program, or not found: its start says why
        const PlayerView view = player_view(program, command);
        PlayerAccess access{view.program, view.files, {}, confinement.sandbox.player_dirs, {}};
        if (!view.folder.empty())
            access.folders.push_back(view.folder);
        access.reveal = player_reveal(confinement.sandbox, view);
        const auto id = PlayerIds::instance().id_for(command);
        const std::string why = id ? check_as(*id, access) : "no user id left in --player-uids";
        if (!why.empty()) {
            errors << "referee: " << text::quote(joined(command), 200)
                   << " cannot be played under its own user id: " << why
                   << (id ? reach_hint(sandboxed) : "") << '\n';
            return false;
        }
    }
    if (const auto revealed = Reach::instance().revealed(); !revealed.empty())
        errors << "referee: players run as their own users; " << joined(revealed, ", ")
               << " bound for the run\n";
    return true;
}

}  // namespace

bool settle_sandbox(SandboxMode mode, const GameConfig& game, Confinement& confinement,
                    const std::vector<std::vector<std::string>>& commands, std::ostream& errors) {
    const GroupLimits limits = group_limits(confinement);
    if (game.clock == ClockKind::Cpu) {
        const auto group = PlayerCgroup::create(limits);
        if (!group || !group->has(Controller::CpuTime)) {
            errors << "referee: --clock cpu, but no control group can count a player's CPU time "
                      "here (docs/sandbox.md)\n";
            return false;
        }
    }
    // As root, never root inside: each player under an id of its own.
    confinement.own_ids = ::geteuid() == 0;
    PlayerIds::instance().set_range(confinement.ids);
    Guarantees guarantees;
    if (mode != SandboxMode::Off) {
        find_sandbox(confinement, guarantees);
        for (const auto& missing : missing_guarantees(limits)) {
            // A player that may think while the other is to move needs no freezing.
            if (game.freeze_waiting || missing != "no freezing")
                guarantees.lack(missing, "");
        }
    }
    if (!guarantees.complete()) {
        if (mode == SandboxMode::On) {
            errors << "referee: --sandbox on, but players are not isolated here: "
                   << guarantees.missing_text() << '\n';
            return false;
        }
        errors << "referee: players are not isolated: " << guarantees.missing_text() << '\n';
    }
    return !confinement.own_ids || commands_usable(confinement, commands, errors);
}

ConsoleSeating::ConsoleSeating(std::ostream& screen)
    : screen_(screen),
      keyboard_(std::make_unique<Keyboard>(STDIN_FILENO)),
      terminal_(std::make_unique<Terminal>()) {}

ConsoleSeating::~ConsoleSeating() = default;

Seating ConsoleSeating::seating(const Confinement& confinement, bool shows_moves, bool color) {
    // Input from a pipe is not echoed: repeat each line after its prompt.
    *terminal_ =
        Terminal{keyboard_.get(), &screen_, shows_moves, color, ::isatty(STDIN_FILENO) != 1};
    return Seating{terminal_.get(), confinement};
}

std::unique_ptr<Seat> take_seat(rules::Side side, const std::vector<std::string>& command,
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
    const auto black_seat = take_seat(rules::Side::Black, black, config, observer, seating);
    const auto white_seat = take_seat(rules::Side::White, white, config, observer, seating);
    return play_game(config, *black_seat, *white_seat, observer);
}

}  // namespace referee
