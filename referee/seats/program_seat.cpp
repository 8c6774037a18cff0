#include "referee/seats/program_seat.h"

#include <signal.h>

#include <algorithm>

#include "referee/process/player_group.h"
#include "text/printable.h"

namespace referee {
namespace {

// A stuck pipe to a player is the player's fault, not a reason to wait.
constexpr std::chrono::seconds kWriteTimeout{1};
// How long to wait for the exit status of a player whose output just ended,
// so the result can say how it ended.
constexpr std::chrono::milliseconds kExitStatusWait{300};
// A player's standard error line is cut into pieces of this size in the log,
// so a player that never writes a newline cannot grow our memory.
constexpr std::size_t kMaxErrorLine = 1000;
// How much of a player's last standard error line a reason quotes: enough
// for a message, not for a dump.
constexpr std::size_t kReasonErrorLine = 200;
// How many chunks of standard error a departing player's reason reads at
// most: a descendant may keep writing for ever.
constexpr int kReasonErrorChunks = 64;

bool contains(const std::vector<int>& fds, int fd) {
    return fd >= 0 && std::find(fds.begin(), fds.end(), fd) != fds.end();
}

}  // namespace

ProgramSeat::ProgramSeat(rules::Side side, const std::vector<std::string>& argv,
                         const GameConfig& config, const Confinement& confinement,
                         GameObserver& observer)
    : side_(side),
      max_line_(config.max_line),
      memory_bytes_(confinement.memory_bytes),
      observer_(observer),
      tag_(new_game_tag()),
      process_(std::make_unique<ChildProcess>(Launch{argv, tag_, confinement, std::nullopt})),
      // Nothing the program starts can be older than the program: the
      // search for its descendants skips every older process on the machine.
      started_after_(start_ticks(process_->pid())) {}

ProgramSeat::~ProgramSeat() = default;

std::optional<Outcome> ProgramSeat::tell(const std::string& line) {
    if (process_->write_all(line + "\n", Clock::now() + kWriteTimeout))
        return std::nullopt;
    if (process_->wait_until(Clock::now() + kExitStatusWait))
        return end(EndReason::Exited, process_->status_text());
    return end(EndReason::ClosedInput, "");
}

// A player's exit counts at once, even while something it started still
// holds its pipes open; what it wrote before is read first.
void ProgramSeat::note_exit_if_reaped() {
    if (exited_ || !process_->reaped())
        return;
    exited_ = true;
    catch_up();
}

// Takes in whatever the player wrote, up to one line past the limit,
// without waiting for an end of file that a descendant holding the pipe
// may never give.
void ProgramSeat::catch_up() {
    while (out_open_ && out_.size() <= max_line_) {
        const long got = read_available(process_->output_fd(), out_);
        if (got < 0)
            break;
        if (got == 0) {
            out_open_ = false;
            process_->close_output();
        }
    }
}

std::vector<pid_t> ProgramSeat::processes() const {
    if (const PlayerCgroup* group = process_->cgroup())
        return group->members();
    std::vector<pid_t> pids;
    for (const GameProcess& p : find_game_processes({process_->pid()}, tag_, started_after_)) {
        if (!p.zombie)
            pids.push_back(p.pid);
    }
    return pids;
}

// A move written just before the look is in the pipe by now: the player
// is waiting for an answer to it, as it should.
std::optional<bool> ProgramSeat::waiting_for_input() {
    note_exit_if_reaped();
    if (exited_ || !out_open_)
        return std::nullopt;
    const auto waiting = input_watch_.look(processes(), process_->input_fd());
    if (!waiting || !*waiting)
        return waiting;
    catch_up();
    return out_.find('\n') == std::string::npos;
}

std::optional<Outcome> ProgramSeat::memory_verdict() const {
    const PlayerCgroup* group = process_->cgroup();
    if (group == nullptr || !group->memory_exceeded())
        return std::nullopt;
    return Outcome{EndReason::MemoryLimit, side_, std::to_string(memory_bytes_ >> 20U) + " MB"};
}

void ProgramSeat::hold(bool frozen) {
    if (PlayerCgroup* group = process_->cgroup())
        group->freeze(frozen);
}

std::optional<double> ProgramSeat::cpu_seconds() const {
    const PlayerCgroup* group = process_->cgroup();
    if (group == nullptr || !group->has(Controller::CpuTime))
        return std::nullopt;
    return group->cpu_seconds();
}

records::PlayerUsage ProgramSeat::usage() const {
    const PlayerCgroup* group = process_->cgroup();
    if (group == nullptr)
        return {};
    return {group->cpu_seconds(), 0, group->peak_memory(), group->peak_processes()};
}

// A frozen player could neither read the end of its input nor die of a
// signal.
void ProgramSeat::leave() {
    left_ = true;
    hold(false);
}

std::optional<LineOrEnd> ProgramSeat::take_line(Clock::time_point /*now*/) {
    note_exit_if_reaped();
    if (auto verdict = memory_verdict())
        return *verdict;
    const auto newline = out_.find('\n');
    if (newline != std::string::npos && newline <= max_line_) {
        std::string line = out_.substr(0, newline);
        out_.erase(0, newline + 1);
        return line;
    }
    if (out_.size() > max_line_) {
        return Outcome{
            EndReason::LineTooLong, side_,
            "more than " + std::to_string(max_line_) + " bytes, starting " + text::quote(out_, 30)};
    }
    if (!out_open_ || exited_) {
        if (out_.empty())
            return ended_output();
        Outcome ended = ended_output();
        ended.reason = EndReason::PartialLine;
        ended.detail = text::quote(out_) + " (" + ended.detail + ")";
        return ended;
    }
    return std::nullopt;
}

std::optional<Outcome> ProgramSeat::out_of_turn() {
    note_exit_if_reaped();
    if (auto verdict = memory_verdict())
        return verdict;
    if (out_.empty())
        return std::nullopt;
    return Outcome{EndReason::OutOfTurn, side_, text::quote(out_)};
}

std::optional<Outcome> ProgramSeat::departed() {
    note_exit_if_reaped();
    if (auto verdict = memory_verdict())
        return verdict;
    if (out_open_ && !exited_)
        return std::nullopt;
    return ended_output();
}

void ProgramSeat::watch(std::vector<int>& fds) const {
    // Past the line bound nothing more it writes can change the verdict,
    // which may wait for the opponent's turn: the rest stays in the pipe,
    // not in our memory. Once the game is over it is read (and dropped) so
    // that the player is not stuck on a full pipe.
    if (out_open_ && (left_ || out_.size() <= max_line_))
        fds.push_back(process_->output_fd());
    if (err_open_)
        fds.push_back(process_->error_fd());
    if (!exited_)
        fds.push_back(process_->exit_fd());
}

// Without a pidfd an exit shows only through waitpid, and descendants that
// outlive the player show through nothing at all.
bool ProgramSeat::wakes_waits() const {
    // Once a contained player is reaped, what is left of it is looked at,
    // not waited for.
    if (process_->contained() && process_->exit_fd() < 0)
        return false;
    return strays_.empty() && (exited_ || process_->exit_fd() >= 0);
}

void ProgramSeat::pump(const std::vector<int>& ready) {
    if (out_open_ && contains(ready, process_->output_fd())) {
        if (left_)
            out_.clear();  // the game is over; moves no longer count
        read_output();
        if (left_)
            out_.clear();
    }
    if (err_open_ && contains(ready, process_->error_fd()))
        read_error();
}

void ProgramSeat::read_output() {
    if (read_available(process_->output_fd(), out_) == 0) {
        out_open_ = false;
        process_->close_output();
    }
}

// Works a line at a time, not a byte at a time: a player may pour
// hundreds of megabytes into its standard error.
void ProgramSeat::remember_error_text(std::string_view chunk) {
    while (!chunk.empty()) {
        const auto newline = chunk.find('\n');
        std::string_view piece = chunk.substr(0, newline);
        while (!piece.empty() && piece.back() == '\r')
            piece.remove_suffix(1);
        if (!piece.empty()) {
            if (last_error_done_)
                last_error_.clear();
            last_error_done_ = false;
            const std::size_t room =
                kReasonErrorLine + 1 - std::min(last_error_.size(), kReasonErrorLine + 1);
            last_error_.append(piece.substr(0, room));
        }
        if (newline == std::string_view::npos)
            return;
        last_error_done_ = true;
        chunk.remove_prefix(newline + 1);
    }
}

// Returns what read_available() returned.
long ProgramSeat::read_error() {
    std::string chunk;
    const long got = read_available(process_->error_fd(), chunk);
    if (got < 0)
        return got;
    remember_error_text(chunk);
    const bool wanted = observer_.wants_error_output();
    if (got == 0) {
        err_open_ = false;
        process_->close_error();
        if (wanted && !error_line_.empty())
            observer_.error_output(side_, error_line_);
        error_line_.clear();
        return got;
    }
    if (!wanted)
        return got;
    std::string_view rest = chunk;
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        const std::size_t room = kMaxErrorLine - error_line_.size();
        const std::size_t take = std::min({newline, room, rest.size()});
        error_line_.append(rest.substr(0, take));
        rest.remove_prefix(take);
        const bool ends_line = take == newline;
        if (ends_line || error_line_.size() >= kMaxErrorLine) {
            observer_.error_output(side_, error_line_);
            error_line_.clear();
        }
        if (ends_line)
            rest.remove_prefix(1);
    }
    return got;
}

Outcome ProgramSeat::ended_output() {
    if (process_->wait_until(Clock::now() + kExitStatusWait))
        return end(EndReason::Exited, process_->status_text());
    return end(EndReason::ClosedOutput, "");
}

// A player that exits, dies or stops reading usually said why on its
// standard error just before: the reason quotes that last line, so a user
// sees it without opening the log.
Outcome ProgramSeat::end(EndReason reason, std::string status) {
    if (auto verdict = memory_verdict())
        return *verdict;
    for (int chunk = 0; chunk < kReasonErrorChunks && err_open_ && read_error() > 0; ++chunk) {
    }
    if (!last_error_.empty()) {
        const std::string said = text::quote(last_error_, kReasonErrorLine);
        status = status.empty() ? said : status + " (" + said + ")";
    }
    return Outcome{reason, side_, status};
}

void ProgramSeat::close_input() {
    process_->close_input();
}

// The group as a whole, while its leader lives or a member is left (the
// group id cannot be taken by anyone else until the last one is gone), and
// each process found by its tag or session one by one.
void ProgramSeat::signal(int signal_number) {
    const pid_t leader = process_->pid();
    const auto found = find_game_processes({leader}, tag_, started_after_);
    const bool members_left = std::any_of(
        found.begin(), found.end(), [&](const auto& p) { return p.group == leader && !p.zombie; });
    if (!process_->reaped() || members_left)
        process_->signal_group(signal_number);
    for (const GameProcess& p : found) {
        if (!p.zombie)
            ::kill(p.pid, signal_number);
    }
}

// Looks for the player's descendants only once the player is gone: its
// exit wakes us through its pidfd, a descendant's would not, and a look
// through /proc is far dearer than a poll.
bool ProgramSeat::gone() {
    if (process_->contained())
        return process_->all_gone();
    const pid_t leader = process_->pid();
    bool done = process_->reaped();
    if (done) {
        for (const GameProcess& p : find_game_processes({leader}, tag_, started_after_)) {
            if (p.pid != leader)
                strays_.insert(p.pid);
        }
    }
    // A stray that died is a zombie until its parent reaps it; as their
    // subreaper that parent is often us.
    for (auto it = strays_.begin(); it != strays_.end();) {
        reap_stray(*it);
        if (::kill(*it, 0) != 0 && errno == ESRCH) {
            it = strays_.erase(it);
        } else {
            done = false;
            ++it;
        }
    }
    return done;
}

}  // namespace referee
