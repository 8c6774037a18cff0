#include "referee/process/bounded_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "referee/common/interrupt.h"

namespace referee {
namespace {

// Without a pidfd the end of the program is noticed by looking again.
constexpr int kLookAgainMs = 20;
// What a killed program gets to finish dying before the referee moves on;
// only a process stuck in the kernel takes longer.
constexpr auto kDyingTime = std::chrono::seconds(5);

// Keeps the first `bound` bytes and counts the rest.
struct Kept {
    std::string text;
    std::size_t dropped = 0;
    std::size_t bound = 0;

    void keep(const std::string& chunk) {
        const std::size_t room = std::min(bound - std::min(bound, text.size()), chunk.size());
        text.append(chunk, 0, room);
        dropped += chunk.size() - room;
    }

    // False at end of file.
    bool read_from(int fd) {
        std::string chunk;
        const long got = read_available(fd, chunk);
        keep(chunk);
        return got != 0;
    }

    // Everything there is now, without waiting for more.
    void drain(int fd) {
        for (std::string chunk; fd >= 0 && read_available(fd, chunk) > 0; chunk.clear())
            keep(chunk);
    }

    std::string finished() const {
        if (dropped == 0)
            return text;
        return text + "\n[" + std::to_string(dropped) + " more bytes left out]\n";
    }
};

// "600", "0.5": the bound as it was given.
std::string seconds_text(std::chrono::milliseconds limit) {
    std::ostringstream text;
    text << static_cast<double>(limit.count()) / 1000;
    return text.str();
}

}  // namespace

BoundedRun run_bounded(const Launch& launch, std::chrono::milliseconds limit,
                       std::size_t output_bytes) {
    BoundedRun run;
    const auto start = Clock::now();
    const auto deadline = start + limit;
    const auto took = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    Kept kept{{}, 0, output_bytes};
    try {
        ChildProcess child(launch);
        child.close_input();
        bool timed_out = false;
        // Until the program itself ends: what it left running and holding
        // the pipes is ended with it, not waited for.
        while (!child.reaped()) {
            if (interrupt_signal() != 0) {
                run.interrupted = true;
                break;
            }
            const int left = millis_until(deadline);
            if (left == 0) {
                timed_out = true;
                break;
            }
            std::array<pollfd, 4> fds{};
            std::size_t count = 0;
            for (const int fd :
                 {child.output_fd(), child.error_fd(), child.exit_fd(), interrupt_fd()}) {
                if (fd >= 0)
                    fds[count++] = {fd, POLLIN, 0};
            }
            const int wait = child.exit_fd() >= 0 ? left : std::min(left, kLookAgainMs);
            ::poll(fds.data(), count, wait);
            if (child.output_fd() >= 0 && !kept.read_from(child.output_fd()))
                child.close_output();
            if (child.error_fd() >= 0 && !kept.read_from(child.error_fd()))
                child.close_error();
        }
        kept.drain(child.output_fd());
        kept.drain(child.error_fd());
        if (timed_out || run.interrupted) {
            child.signal_group(SIGKILL);
            child.wait_until(Clock::now() + kDyingTime);
        }
        run.seconds = took();
        if (child.cgroup() != nullptr && child.cgroup()->memory_exceeded())
            run.why = "killed: memory";
        else if (timed_out)
            run.why = "took more than " + seconds_text(limit) + " s";
        else if (const auto status = child.wait_status(); status && !run.interrupted) {
            // A build that exits says so in a sentence; a signal's end reads
            // as a player's does ("killed by signal 6 (Aborted)").
            if (!WIFEXITED(*status))
                run.why = child.status_text();
            else if (WEXITSTATUS(*status) != 0)
                run.why = "exited with status " + std::to_string(WEXITSTATUS(*status));
        }
    } catch (const StartError& error) {
        run.seconds = took();
        run.why = std::string("could not start: ") + error.what();
    }
    run.output = kept.finished();
    return run;
}

}  // namespace referee
