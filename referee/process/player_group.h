// Finding and ending everything a player started.
//
// Each player is the leader of a process group of its own, so
// a signal to the group reaches every process that stayed in it. A process
// can leave the group (setsid, as a daemon does after a double fork), so
// each game also gives its players an environment variable with a tag of
// its own: descendants inherit it through fork and exec, and it stays
// readable in /proc/PID/environ whatever group they move to. A tag, unlike
// parent links, still attributes a process to its game after the player
// that started it has exited and it was re-parented, and it keeps games
// that run side by side in one referee apart. (A process that both leaves
// the group and clears its environment is out of reach of the tag; the
// referee, as subreaper of all its players' descendants, ends such strays
// when it exits.)
//
// The registry holds the pid of every live player of every game. It is the
// one shared table: the zombie sweep consults it so that no game ever
// reaps, and so steals the exit status of, another game's player. (A
// signal to the referee needs no table: every game polls the interrupt
// pipe and ends its own players.)
#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace referee {

// The name of the environment variable that carries a game's tag.
inline constexpr const char* kGameTagVariable = "REFEREE_GAME";

// A tag that no other game of any referee on this machine uses.
std::string new_game_tag();

class PlayerRegistry {
  public:
    static PlayerRegistry& instance();
    // Held across fork() and add(), so that no sweep can see the new player
    // before it is registered.
    std::mutex& mutex() { return mutex_; }
    void add_locked(pid_t pid) { pids_.push_back(pid); }
    void remove(pid_t pid);
    bool contains(pid_t pid);
    bool contains_locked(pid_t pid) const;
    // The orphan reaper may reap a player before its game does: it leaves
    // the wait status here, under the mutex, for the game to take.
    void store_status_locked(pid_t pid, int status) { statuses_.emplace_back(pid, status); }
    std::optional<int> take_status(pid_t pid);

  private:
    std::mutex mutex_;
    std::vector<pid_t> pids_;
    std::vector<std::pair<pid_t, int>> statuses_;
};

// A process that belongs to a game, as /proc showed it.
struct GameProcess {
    pid_t pid = 0;
    pid_t group = 0;
    bool zombie = false;
};

// Every process, live or zombie, started no earlier than `started_after`
// (see start_ticks) and in the process group of one of the `leaders` (or
// its session, should a leader have made itself a session leader), or
// carrying `tag` in its environment. The start time
// spares reading the environment of every older process on the machine.
std::vector<GameProcess> find_game_processes(const std::vector<pid_t>& leaders,
                                             const std::string& tag,
                                             unsigned long long started_after);

// When a process started, in the kernel's clock ticks since boot; 0 when
// it is gone.
unsigned long long start_ticks(pid_t pid);

// Re-parents every orphaned descendant to this process rather than to init,
// so that the referee can find and reap them. Process-wide; call from main.
void become_subreaper();

// Reaps `pid` if it is a zombie child of ours and no game's player.
void reap_stray(pid_t pid);

// The last line of defence, when no game is running any more: kills and
// reaps every child this process still has.
void end_stray_children();

}  // namespace referee
