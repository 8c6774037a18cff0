#include "referee/process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "referee/common/signal_text.h"
#include "referee/process/player_group.h"
#include "referee/process/player_ids.h"
#include "referee/process/player_view.h"

namespace referee {
namespace {

void set_nonblocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// The player's environment: a clean one (the organiser's variables must
// not decide games), and the game's tag.
std::vector<std::string> environment_with_tag(const Confinement& confinement,
                                              const std::string& tag) {
    std::vector<std::string> entries = player_environment(confinement.environment);
    if (!tag.empty())
        entries.push_back(std::string(kGameTagVariable) + "=" + tag);
    return entries;
}

struct ChildEnds {
    int in = -1;
    int out = -1;
    int err = -1;
    int report = -1;
    int info = -1;                              // bwrap's --info-fd, kept open across exec
    int filter = -1;                            // bwrap's --seccomp, kept open across exec
    const std::vector<int>* cgroups = nullptr;  // cgroup.procs files to join
    Reveal* reveal = nullptr;                   // what to reveal as root (reach.h)
    std::optional<uid_t> id;                    // the id to become
};

// What failed before exec, or exec itself, with its errno.
enum class Stage : int { Exec, Cgroup, Binds, Ids };
struct ChildFailure {
    Stage stage = Stage::Exec;
    int error = 0;
};

[[noreturn]] void fail_in_child(int report, Stage stage, int error) {
    const ChildFailure failure{stage, error};
    [[maybe_unused]] const ssize_t ignored = ::write(report, &failure, sizeof failure);
    ::_exit(127);
}

[[noreturn]] void exec_child(char* const* argv, char* const* envp, const ChildEnds& ends,
                             std::size_t memory_bytes) {
    // Only async-signal-safe calls between fork and exec: the referee may
    // run games on several threads.
    // The control groups first, so that nothing the player starts is
    // outside them.
    for (int fd : *ends.cgroups) {
        if (::write(fd, "0", 1) != 1)
            fail_in_child(ends.report, Stage::Cgroup, errno);
    }
    // A process group of its own: the player and whatever it starts form
    // one group the referee can signal, and as it is not the terminal's
    // foreground group a Ctrl-C meant for the referee does not reach it.
    // Not a session of its own (setsid): with the scheduler's autogroups
    // every new session is scheduled as a group apart, and on a busy
    // machine each relay of a move to and from the player then waited
    // about three times as long. Processes that do start a session of
    // their own are found by the game's tag.
    ::setpgid(0, 0);
    ::dup2(ends.in, STDIN_FILENO);
    ::dup2(ends.out, STDOUT_FILENO);
    ::dup2(ends.err, STDERR_FILENO);
    // An ignored SIGPIPE survives exec; the player should get the default.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &action, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // A crashing player must not fill the disk with core files.
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    if (memory_bytes > 0) {
        const rlimit memory{memory_bytes, memory_bytes};
        ::setrlimit(RLIMIT_AS, &memory);
    }
    // What the player's id cannot reach by its path, mounted where it can,
    // while still root.
    if (const int error = enter_reveal(*ends.reveal); error != 0)
        fail_in_child(ends.report, Stage::Binds, error);
    // Never root: after the control groups, which only root may join.
    if (ends.id && !drop_to(*ends.id))
        fail_in_child(ends.report, Stage::Ids, errno);
    // Files the referee has open (record, log, the other player's pipes)
    // are none of the player's business.
    const long max_fd = std::min(::sysconf(_SC_OPEN_MAX), 4096L);
    for (int fd = 3; fd < max_fd; ++fd) {
        if (fd != ends.report)
            ::fcntl(fd, F_SETFD, fd == ends.info || fd == ends.filter ? 0 : FD_CLOEXEC);
    }
    ::execvpe(argv[0], argv, envp);
    fail_in_child(ends.report, Stage::Exec, errno);
}

// A pipe holding the system call filter for bwrap to read (it is far
// smaller than a pipe's buffer).
Pipe filter_pipe(const std::string& program) {
    Pipe pipe = Pipe::open();
    std::string_view left = program;
    while (!left.empty()) {
        const ssize_t written = ::write(pipe.write.get(), left.data(), left.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::system_error(errno, std::generic_category(), "the system call filter");
        left.remove_prefix(static_cast<std::size_t>(written));
    }
    pipe.write.reset();
    return pipe;
}

// Waits, a bounded while, for bwrap to say that the sandbox is set up:
// it writes the child's pid on the info pipe and closes it.
void wait_for_sandbox(int info_fd) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string info;
    while (true) {
        pollfd ready{info_fd, POLLIN, 0};
        const int timeout = millis_until(deadline);
        if (timeout == 0 || (::poll(&ready, 1, timeout) < 0 && errno != EINTR))
            return;
        if (ready.revents != 0 && read_available(info_fd, info, 4096) == 0)
            return;
        if (info.size() > 65536)
            return;
    }
}

}  // namespace

GroupLimits group_limits(const Confinement& confinement) {
    return {confinement.max_processes, confinement.memory_bytes, confinement.cpus};
}

void ignore_sigpipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &action, nullptr);
}

ChildProcess::ChildProcess(const Launch& launch) {
    if (launch.argv.empty())
        throw StartError("empty command");
    ignore_sigpipe();
    const Confinement& confinement = launch.confinement;
    sandboxed_ = confinement.sandbox.enabled;
    std::optional<uid_t> id;
    if (confinement.own_ids) {
        id = launch.id ? launch.id : PlayerIds::instance().id_for(launch.argv);
        if (!id)
            throw StartError("no user id left for this player in --player-uids");
    }
    std::vector<std::string> words = launch.argv;
    Reveal reveal;
    Pipe info;
    Pipe filter;
    // Looked up here, where a failure can still say why in exec's words.
    int error = 0;
    const std::string program = sandboxed_ || id ? find_program(launch.argv[0], error) : "";
    if (sandboxed_ && program.empty())
        throw StartError(launch.argv[0] + ": " + std::strerror(error));
    const PlayerView view = program.empty() ? PlayerView{} : player_view(program, launch.argv);
    if (id && !program.empty()) {
        reveal = player_reveal(confinement.sandbox, view);
        // By their whole paths: the referee's folder may be closed to the
        // player's id.
        if (!sandboxed_) {
            words = view.argv;
            words[0] = absolute_normal(program);
        }
    }
    if (sandboxed_) {
        try {
            info = Pipe::open();
            if (!confinement.sandbox.syscall_filter.empty())
                filter = filter_pipe(confinement.sandbox.syscall_filter);
        } catch (const std::system_error& failure) {
            throw StartError(failure.what());
        }
        words = sandbox_command(confinement.sandbox, view, info.write.get(), filter.read.get());
    }
    cgroup_ = PlayerCgroup::create(group_limits(confinement));
    // The address space is the bound only where the group cannot hold the
    // player's memory: it counts what a process reserves, not what it
    // uses, and a virtual machine (Java's) reserves far more than it uses.
    const bool group_memory = cgroup_ && cgroup_->memory_bounded();
    const std::size_t address_space = group_memory ? 0 : confinement.memory_bytes;
    static const std::vector<int> kNoGroups;
    std::vector<std::string> environment = environment_with_tag(confinement, launch.game_tag);
    const std::vector<char*> args = pointers(words);
    const std::vector<char*> envp = pointers(environment);

    Pipe in, out, err, report;
    try {
        in = Pipe::open();
        out = Pipe::open();
        err = Pipe::open();
        report = Pipe::open();
    } catch (const std::system_error& error) {
        throw StartError(error.what());
    }
    const ChildEnds ends{in.read.get(),
                         out.write.get(),
                         launch.error_to_output ? out.write.get() : err.write.get(),
                         report.write.get(),
                         info.write.get(),
                         filter.read.get(),
                         cgroup_ ? &cgroup_->join_fds() : &kNoGroups,
                         &reveal,
                         id};
    auto& registry = PlayerRegistry::instance();
    {
        // Registered before any other thread can look for strays.
        const std::lock_guard lock(registry.mutex());
        pid_ = ::fork();
        if (pid_ == 0)
            exec_child(args.data(), envp.data(), ends, address_space);
        if (pid_ < 0)
            throw StartError(std::string("fork failed: ") + std::strerror(errno));
        registry.add_locked(pid_);
    }
    // Only the child may hold these ends, or end of file would never come.
    in.read.reset();
    out.write.reset();
    err.write.reset();
    report.write.reset();
    info.write.reset();
    filter.read.reset();
    in_ = std::move(in.write);
    out_ = std::move(out.read);
    err_ = std::move(err.read);
    for (int fd : {in_.get(), out_.get(), err_.get()})
        set_nonblocking(fd);
    pidfd_.reset(open_pidfd(pid_));

    // The report pipe closes on a successful exec, or says what failed.
    ChildFailure failure;
    ssize_t got = 0;
    do {
        got = ::read(report.read.get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        // The child is already on its way out (_exit right after the report).
        wait_until(Clock::time_point::max());
        const std::string why = std::strerror(failure.error);
        if (failure.stage == Stage::Cgroup)
            throw StartError("cannot join a control group: " + why);
        if (failure.stage == Stage::Binds)
            throw StartError("cannot show the player what it needs: " + why);
        if (failure.stage == Stage::Ids)
            throw StartError("cannot run as user id " + std::to_string(id.value_or(0)) + ": " +
                             why);
        throw StartError(words[0] + ": " + why);
    }
    if (sandboxed_)
        wait_for_sandbox(info.read.get());
}

ChildProcess::~ChildProcess() {
    close_input();
    if (!reaped()) {
        signal_group(SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        PlayerRegistry::instance().remove(pid_);
        PlayerRegistry::instance().take_status(pid_);
    }
    if (cgroup_ && !cgroup_->empty()) {
        cgroup_->signal_all(SIGKILL);
        // Bounded: only a process stuck in the kernel stays.
        for (int round = 0; round < 500 && !cgroup_->empty(); ++round)
            ::poll(nullptr, 0, 2);
    }
}

bool ChildProcess::write_all(std::string_view data, Clock::time_point deadline) {
    while (!data.empty()) {
        if (!in_.is_open())
            return false;
        const ssize_t written = ::write(in_.get(), data.data(), data.size());
        if (written > 0) {
            data.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd waiting{in_.get(), POLLOUT, 0};
        const int timeout = millis_until(deadline);
        if (timeout == 0)
            return false;
        if (::poll(&waiting, 1, timeout) < 0 && errno != EINTR)
            return false;
        if (waiting.revents & (POLLERR | POLLHUP))
            return false;
    }
    return true;
}

void ChildProcess::close_input() {
    in_.reset();
}
void ChildProcess::close_output() {
    out_.reset();
}
void ChildProcess::close_error() {
    err_.reset();
}

bool ChildProcess::reaped() {
    if (wait_status_)
        return true;
    // Asking the pidfd is much cheaper than waitpid, which the game loops
    // would otherwise call on every wake-up.
    if (pidfd_.is_open()) {
        pollfd exit_event{pidfd_.get(), POLLIN, 0};
        if (::poll(&exit_event, 1, 0) <= 0)
            return false;
    }
    int status = 0;
    pid_t done = 0;
    do {
        done = ::waitpid(pid_, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done < 0 && errno == ECHILD) {
        // The orphan reaper got there first and kept the status for us.
        if (auto stored = PlayerRegistry::instance().take_status(pid_)) {
            done = pid_;
            status = *stored;
        }
    }
    if (done == pid_) {
        wait_status_ = sandboxed_ ? unwrap_sandbox_status(status) : status;
        PlayerRegistry::instance().remove(pid_);
        pidfd_.reset();
    }
    return wait_status_.has_value();
}

bool ChildProcess::wait_until(Clock::time_point deadline) {
    while (!reaped()) {
        const int timeout =
            deadline == Clock::time_point::max() ? 1'000'000 : millis_until(deadline);
        if (timeout == 0)
            return false;
        if (pidfd_.is_open()) {
            pollfd exit_event{pidfd_.get(), POLLIN, 0};
            ::poll(&exit_event, 1, timeout);
        } else {
            ::poll(nullptr, 0, std::min(timeout, 5));
        }
    }
    return true;
}

void ChildProcess::signal_group(int signal_number) {
    // The group outlives its leader while any member is left; once it is
    // empty the call fails harmlessly. The group id cannot be reused while
    // a member lives.
    ::kill(-pid_, signal_number);
    if (cgroup_)
        cgroup_->signal_all(signal_number);
}

bool ChildProcess::all_gone() {
    // A sandbox ends as a whole once bwrap is reaped: the kernel ends every
    // process in a PID namespace whose first process has exited.
    return reaped() && (!cgroup_ || cgroup_->empty());
}

std::string ChildProcess::status_text() const {
    if (!wait_status_)
        return "still running";
    const int status = *wait_status_;
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by " + signal_text(WTERMSIG(status));
    return "status " + std::to_string(status);
}

long read_available(int fd, std::string& buffer, std::size_t max_bytes) {
    char chunk[65536];
    const std::size_t want = std::min(max_bytes, sizeof chunk);
    ssize_t got = 0;
    do {
        got = ::read(fd, chunk, want);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        buffer.append(chunk, static_cast<std::size_t>(got));
        return got;
    }
    if (got == 0)
        return 0;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return -1;
    return 0;
}

}  // namespace referee
