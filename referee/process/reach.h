// What a player's id cannot reach by its path (a folder in root's
// mode-700 home, a clone in mktemp -d, an interpreter installed under
// /root), the player's start reveals to it: the starting child, still
// root, takes a mount namespace of its own, holds each such path open,
// covers the folder that bars the way (/root) with an empty memory file
// system, and binds each path back at its own place in it. Then it drops
// to the player's id, and bwrap (or the player itself, without the
// sandbox) finds every path where the command names it. Nothing is copied
// and nothing on the host changes: the host's namespace never sees the
// mounts, a file keeps its own permissions (a root-only file stays
// unreadable), and the rest of the covered folder is hidden from the player
// altogether.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace referee {

// What a child does before it drops its ids; nothing when empty.
struct Reveal {
    std::vector<std::string> covers;                  // folders covered with an empty file system
    std::vector<std::string> skeleton;                // folders made in them, outer ones first
    std::vector<std::pair<std::string, bool>> binds;  // a path bound back, and whether a folder
    std::vector<int> fds;  // room for the child's descriptors, one per bind
    bool empty() const { return binds.empty(); }
};

class Reach {
  public:
    static Reach& instance();
    // As root, with `probe` an id of the players' range: from now on, what
    // it cannot reach is revealed. Before that, nothing is.
    void use(uid_t probe);
    // How a start reveals the paths a player is shown (absolute).
    Reveal reveal(const std::vector<std::string>& paths);
    // The paths revealed so far, in order.
    std::vector<std::string> revealed();

  private:
    // The folder that bars the way to `path` for the probe; "" for none.
    std::string barrier(const std::string& path);

    std::mutex mutex_;
    bool used_ = false;
    uid_t probe_ = 0;
    std::vector<std::pair<std::string, std::string>> barriers_;  // path, its barrier
};

// In a child between fork and exec, as root: a mount namespace of its own
// (its changes kept from the host's) made as `reveal` says.
// Async-signal-safe; 0, or the errno of the step that failed.
int enter_reveal(Reveal& reveal);

}  // namespace referee
