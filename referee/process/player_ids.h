// The user and group id each player runs under when the referee runs as
// root: one of its own per player and run, unprivileged, with no
// supplementary groups, so that a player is never root and bwrap runs as it
// does for an ordinary user.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "referee/process/reach.h"

namespace referee {

// Far above the ids of people (below 60000) and of the subordinate ranges
// of /etc/subuid (from 100000 in steps of 65536).
inline constexpr uid_t kFirstPlayerId = 1'500'000'000;
inline constexpr uid_t kLastPlayerId = 1'500'065'535;

struct IdRange {
    uid_t first = kFirstPlayerId;
    uid_t last = kLastPlayerId;
};

// "FIRST-LAST", both above 0 and FIRST <= LAST.
std::optional<IdRange> parse_id_range(const std::string& text);

// Which id each player has: the players of a run in the order they are
// first asked for, one id each from the range. A player is its command:
// the same command on both sides (a player against itself) is one player.
class PlayerIds {
  public:
    static PlayerIds& instance();
    void set_range(IdRange range);
    IdRange range();
    // The player's id; none when the range is used up.
    std::optional<uid_t> id_for(const std::vector<std::string>& command);

  private:
    std::mutex mutex_;
    IdRange range_;
    std::vector<std::pair<std::vector<std::string>, uid_t>> given_;
};

// Becomes `id` as user and group, with no supplementary groups, for good.
// Async-signal-safe, for a child between fork and exec; false on failure.
bool drop_to(uid_t id);

// What a player must be able to do as its id.
struct PlayerAccess {
    std::string program;                // run it
    std::vector<std::string> files;     // read them
    std::vector<std::string> folders;   // list them
    std::vector<std::string> writable;  // write in them
    Reveal reveal;                      // what the player's start reveals first
};

// Tries it, as `id` in a child of its own that first reveals what the
// player's start reveals; "" when all could be done, else the first that
// could not and why ("/bots/a/bot.py: Permission denied (as
// user id 1500000000)").
std::string check_as(uid_t id, const PlayerAccess& access);

}  // namespace referee
