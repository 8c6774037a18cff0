// A control group of its own for each player, where the referee may create
// one: the kernel then keeps the list of everything the player started,
// whatever it does (a new session, an empty environment, a double fork),
// ends them all at once, and bounds and counts them as a whole: memory
// (with the player's /tmp and /dev/shm, whose pages are charged to the
// group that writes them), CPU quota, processes, and the CPU time they
// used. Each controller comes from wherever the host mounts it: a cgroup v1
// hierarchy of its own (memory, cpu, cpuacct, freezer, pids) or the one
// unified v2 hierarchy (memory, cpu, pids; freezing, killing and CPU time
// are the v2 core's own). Any may be missing (an ordinary user seldom may
// write them, unless a group was delegated to it); the player then runs
// without it, the start-up line says what is missing, and the referee falls
// back to process groups, /proc and RLIMIT_AS.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "referee/common/fd.h"

namespace referee {

// What a player's group holds it to; 0 for no bound.
struct GroupLimits {
    int max_processes = 0;         // processes and threads at once
    std::size_t memory_bytes = 0;  // all its processes, /tmp and /dev/shm, no swap
    double cpus = 0;               // CPU time per wall-clock time
};

enum class Controller { Memory, Cpu, CpuTime, Freezer, Pids, Count };

class PlayerCgroup {
  public:
    // A new, empty group under the referee's own in every hierarchy that
    // lets it make one, holding `limits` where the controllers are there.
    // Null where no group can be made at all.
    static std::unique_ptr<PlayerCgroup> create(const GroupLimits& limits);
    PlayerCgroup(PlayerCgroup&&) = delete;
    PlayerCgroup& operator=(PlayerCgroup&&) = delete;
    PlayerCgroup(const PlayerCgroup&) = delete;
    PlayerCgroup& operator=(const PlayerCgroup&) = delete;
    ~PlayerCgroup();

    // Descriptors of the cgroup.procs files a new child writes "0" to, from
    // between fork and exec (async-signal-safe).
    const std::vector<int>& join_fds() const { return join_fds_; }

    // Which of the limits hold, and what can be done to the group.
    bool bounded() const { return bounded_; }  // processes
    bool memory_bounded() const { return memory_bounded_; }
    bool cpu_bounded() const { return cpu_bounded_; }
    bool has(Controller controller) const { return !dir(controller).empty(); }

    // Whether the kernel killed any process of the group for its memory.
    bool memory_exceeded() const;
    // CPU seconds all its processes used so far; 0 without CPU accounting.
    double cpu_seconds() const;
    // The most memory (bytes) and processes it held at once; 0 where the
    // kernel does not keep the figure.
    std::size_t peak_memory() const;
    long peak_processes() const;

    // Stops or resumes every process of the group where it can be frozen.
    void freeze(bool frozen);

    // The processes in the group now (no zombies).
    std::vector<pid_t> members() const;
    // Signals every member; SIGKILL through cgroup.kill where there is one.
    // A frozen group is thawed first: a frozen v1 process dies only once
    // thawed.
    void signal_all(int signal_number);
    bool empty() const { return members().empty(); }

  private:
    struct Group {
        std::string dir;
        bool v2 = false;
        Fd procs;
    };
    PlayerCgroup() = default;
    const std::string& dir(Controller controller) const;
    bool v2(Controller controller) const;
    void hold_limits(const GroupLimits& limits);
    bool frozen_now() const;

    std::vector<Group> groups_;                  // one per hierarchy
    std::array<int, 5> of_{-1, -1, -1, -1, -1};  // index into groups_ per Controller
    int v2_ = -1;                                // the v2 group, listing every process
    std::vector<int> join_fds_;
    bool bounded_ = false;
    bool memory_bounded_ = false;
    bool cpu_bounded_ = false;
    bool frozen_ = false;
};

// What a player's group made here cannot hold of `limits`, as short phrases
// for the start-up line ("memory bounded per process only", "no CPU
// quota", "no freezing", "no process bound"); empty when every guarantee
// holds. Makes one group and removes it again.
std::vector<std::string> missing_guarantees(const GroupLimits& limits);

}  // namespace referee
