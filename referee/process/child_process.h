// One player process and the three pipes to it. The referee must survive
// anything a player does, so every descriptor is non-blocking, writes report
// failure instead of raising SIGPIPE, and the destructor kills the player's
// whole process group and reaps the player: no code path can leave it
// behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "referee/common/clock.h"
#include "referee/common/fd.h"
#include "referee/process/cgroup.h"
#include "referee/process/player_ids.h"
#include "referee/process/sandbox.h"

namespace referee {

// A program that could not be started at all (not found, not executable).
struct StartError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Makes writes to a closed pipe fail with EPIPE instead of killing us.
void ignore_sigpipe();

// What a player may use and reach, the same for every player of a run.
struct Confinement {
    // Memory of all the player's processes, /tmp and /dev/shm together
    // where a memory control group can hold them to it, each process's
    // address space otherwise; 0 for no limit.
    std::size_t memory_bytes = 0;
    // Processes and threads the player may have at once, where a pids
    // cgroup can hold it to that; 0 for no bound.
    int max_processes = 0;
    // The player's CPU quota, in CPUs, where a cpu control group can hold
    // it to that; 0 for none.
    double cpus = 0;
    SandboxSettings sandbox;  // bwrap (see sandbox.h), when enabled
    // As root: each player under an id of its own (player_ids.h).
    bool own_ids = false;
    IdRange ids;  // --player-uids
    // "NAME=VALUE" added to the player's clean environment (--player-env).
    std::vector<std::string> environment;
};

// The bounds of a player's control group that a confinement asks for.
GroupLimits group_limits(const Confinement& confinement);

struct Launch {
    std::vector<std::string> argv;  // argv[0] is looked up in PATH when it has no slash
    std::string game_tag;           // inherited by everything the player starts
    Confinement confinement;
    // With own_ids: the id to run as, when not the player's (PlayerIds).
    std::optional<uid_t> id;
    // Standard error on the output pipe, so that the two keep their order
    // (a build's log); the error pipe then stays empty.
    bool error_to_output = false;
};

class ChildProcess {
  public:
    // Starts the program in a process group of its own (and a control
    // group, where one can be made), with its standard streams on pipes, a
    // clean environment, no core dumps and the memory limit (the group's,
    // or else RLIMIT_AS), under its own id when the launch says so; in the
    // sandbox when the launch says so, returning once the sandbox is set
    // up, so that its start-up is not on the player's clock. Throws
    // StartError when exec fails.
    explicit ChildProcess(const Launch& launch);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&&) = delete;
    ChildProcess& operator=(ChildProcess&&) = delete;

    // Also the id of its process group.
    pid_t pid() const { return pid_; }
    // The referee's end of the player's standard input; -1 once closed.
    int input_fd() const { return in_.get(); }
    int output_fd() const { return out_.get(); }
    int error_fd() const { return err_.get(); }
    // Readable once the player itself has ended, even while processes it
    // started still hold its pipes; -1 on kernels without pidfds.
    int exit_fd() const { return pidfd_.get(); }

    // Writes all of `data` to the child's standard input, waiting (poll) no
    // later than `deadline` for room in the pipe. False when the child no
    // longer reads (pipe closed, process gone) or the pipe stayed full.
    bool write_all(std::string_view data, Clock::time_point deadline);
    // End of input: a well-behaved player exits when it sees it.
    void close_input();
    // Forgets a descriptor the caller found at end of file.
    void close_output();
    void close_error();

    // Reaps the child if it has ended; true once it has been reaped.
    bool reaped();
    // Waits until the child has ended or the deadline passes, without
    // spinning: a pidfd when the kernel has them, short sleeps otherwise.
    bool wait_until(Clock::time_point deadline);
    // Signals the player's whole process group, the player included, and
    // every process in its control group.
    void signal_group(int signal_number);
    // The player's control group, or null where none could be made.
    PlayerCgroup* cgroup() const { return cgroup_.get(); }
    // Whether everything the player started is known without a search of
    // /proc: in its control group, or in its sandbox, which ends with it.
    bool contained() const { return sandboxed_ || cgroup_ != nullptr; }
    // The player and everything it started are gone (contained() only).
    bool all_gone();
    // "exit status 0", "killed by signal 6 (Aborted)", or "still running".
    std::string status_text() const;
    // As waitpid gave it (the player's own under the sandbox), once reaped.
    std::optional<int> wait_status() const { return wait_status_; }

  private:
    pid_t pid_ = -1;
    Fd in_;
    Fd out_;
    Fd err_;
    Fd pidfd_;
    std::optional<int> wait_status_;
    std::unique_ptr<PlayerCgroup> cgroup_;
    bool sandboxed_ = false;
};

// Reads what is available on a non-blocking descriptor into `buffer`.
// Returns the number of bytes read, 0 at end of file, -1 when nothing was
// there (or on a read error other than end of file, which is reported as 0).
long read_available(int fd, std::string& buffer, std::size_t max_bytes = 65536);

}  // namespace referee
