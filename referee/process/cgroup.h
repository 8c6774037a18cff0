// A control group of its own for each player, where the referee may create
// one: the kernel then keeps the list of everything the player started,
// whatever it does (a new session, an empty environment, a double fork),
// and ends them all at once. Two hierarchies serve: cgroup v2 for the list
// and cgroup.kill, and the v1 pids controller (or v2's, where it is
// enabled) for a bound on the number of processes and threads. Either may
// be missing (an ordinary user seldom may write them); the player then runs
// without it and the referee falls back to process groups and /proc.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "referee/common/fd.h"

namespace referee {

class PlayerCgroup {
  public:
    // A new, empty group under the referee's own, with `max_processes` as
    // its bound (0 for none). Null where no group can be made.
    static std::unique_ptr<PlayerCgroup> create(int max_processes);
    PlayerCgroup(PlayerCgroup&&) = delete;
    PlayerCgroup& operator=(PlayerCgroup&&) = delete;
    PlayerCgroup(const PlayerCgroup&) = delete;
    PlayerCgroup& operator=(const PlayerCgroup&) = delete;
    ~PlayerCgroup();

    // Descriptors of the cgroup.procs files a new child writes "0" to, from
    // between fork and exec (async-signal-safe); -1 where a hierarchy is
    // missing.
    int join_fd() const { return procs_.get(); }
    int join_pids_fd() const { return pids_procs_.get(); }
    // Whether the group lists every process (v2 or v1).
    bool lists_processes() const { return !dir_.empty() || !pids_dir_.empty(); }
    bool bounded() const { return bounded_; }

    // The processes in the group now (no zombies).
    std::vector<pid_t> members() const;
    // Signals every member; SIGKILL through cgroup.kill where there is one.
    void signal_all(int signal_number) const;
    bool empty() const { return members().empty(); }

  private:
    PlayerCgroup() = default;
    std::string dir_;       // v2 group, or empty
    std::string pids_dir_;  // v1 pids group, or empty
    Fd procs_;
    Fd pids_procs_;
    bool bounded_ = false;
};

}  // namespace referee
