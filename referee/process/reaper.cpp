#include "referee/process/reaper.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "referee/common/fd.h"
#include "referee/process/player_group.h"

namespace referee {
namespace {

struct Reaper {
    Fd signals;
    Pipe stop;
    std::thread thread;
};

Reaper& reaper() {
    static Reaper instance;
    return instance;
}

// The wait status waitpid would have given, from waitid's report.
int wait_status(const siginfo_t& info) {
    switch (info.si_code) {
        case CLD_EXITED:
            return (info.si_status & 0xff) << 8;
        case CLD_DUMPED:
            return info.si_status | 0x80;
        default:
            return info.si_status;
    }
}

void run(int signal_fd, int stop_fd) {
    while (true) {
        reap_zombie_children();
        pollfd fds[2] = {{signal_fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents != 0) {
            // Signals of one kind merge: one read stands for any number of
            // exits, and the loop above reaps them all.
            signalfd_siginfo info{};
            [[maybe_unused]] const ssize_t got = ::read(signal_fd, &info, sizeof info);
        }
    }
}

}  // namespace

void reap_zombie_children() {
    auto& registry = PlayerRegistry::instance();
    while (true) {
        // Under the registry's lock, so a game that finds its player gone
        // (ECHILD) finds its status stored.
        const std::lock_guard lock(registry.mutex());
        siginfo_t info{};
        if (::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | __WALL) != 0 || info.si_pid == 0)
            return;
        if (registry.contains_locked(info.si_pid))
            registry.store_status_locked(info.si_pid, wait_status(info));
    }
}

bool start_orphan_reaper() {
    Reaper& state = reaper();
    if (state.thread.joinable())
        return true;
    sigset_t child;
    ::sigemptyset(&child);
    ::sigaddset(&child, SIGCHLD);
    if (::pthread_sigmask(SIG_BLOCK, &child, nullptr) != 0)
        return false;
    state.signals.reset(::signalfd(-1, &child, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!state.signals.is_open())
        return false;
    try {
        state.stop = Pipe::open();
        state.thread = std::thread(run, state.signals.get(), state.stop.read.get());
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void stop_orphan_reaper() {
    Reaper& state = reaper();
    if (!state.thread.joinable())
        return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(state.stop.write.get(), &byte, 1);
    state.thread.join();
}

}  // namespace referee
