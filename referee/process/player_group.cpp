#include "referee/process/player_group.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "referee/common/fd.h"

namespace referee {
namespace {

// Reads at most `limit` bytes of a /proc file; empty when it is gone or
// not ours to read.
std::string read_proc_file(const std::string& path, std::size_t limit) {
    const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd.is_open())
        return text;
    char chunk[4096];
    while (text.size() < limit) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

struct ProcStat {
    pid_t pid = 0;
    char state = '?';
    pid_t parent = 0;
    pid_t group = 0;
    pid_t session = 0;
    unsigned long long started = 0;  // clock ticks since boot
};

// /proc/PID/stat is "pid (comm) state ppid pgrp session ...", and comm may
// itself hold spaces and parentheses: the fields start after the last ')'.
bool read_stat(pid_t pid, ProcStat& stat) {
    const std::string text = read_proc_file("/proc/" + std::to_string(pid) + "/stat", 1024);
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    long parent = 0, group = 0, session = 0;
    char state = '?';
    unsigned long long started = 0;
    // Fields 3 to 6, then 22 (the start time), counting from 1.
    if (std::sscanf(
            text.c_str() + close + 1,
            " %c %ld %ld %ld %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu",
            &state, &parent, &group, &session, &started) != 5) {
        return false;
    }
    stat = {pid,
            state,
            static_cast<pid_t>(parent),
            static_cast<pid_t>(group),
            static_cast<pid_t>(session),
            started};
    return true;
}

template <typename Visit>
void for_each_process(Visit visit) {
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        ProcStat stat;
        if (read_stat(static_cast<pid_t>(pid), stat))
            visit(stat);
    }
    ::closedir(proc);
}

bool carries_tag(pid_t pid, const std::string& assignment) {
    // The environment is a run of NUL-terminated "NAME=value" strings.
    const std::string environ_text =
        read_proc_file("/proc/" + std::to_string(pid) + "/environ", std::size_t{1} << 20);
    std::size_t start = 0;
    while (start < environ_text.size()) {
        auto end = environ_text.find('\0', start);
        if (end == std::string::npos)
            end = environ_text.size();
        if (environ_text.compare(start, end - start, assignment) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string new_game_tag() {
    std::random_device random;
    const auto high = static_cast<unsigned long long>(random());
    const auto low = static_cast<unsigned long long>(random());
    char text[64];
    std::snprintf(text, sizeof text, "%ld.%016llx", static_cast<long>(::getpid()),
                  (high << 32U) ^ low);
    return text;
}

PlayerRegistry& PlayerRegistry::instance() {
    static PlayerRegistry registry;
    return registry;
}

void PlayerRegistry::remove(pid_t pid) {
    const std::lock_guard lock(mutex_);
    pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
}

bool PlayerRegistry::contains(pid_t pid) {
    const std::lock_guard lock(mutex_);
    return contains_locked(pid);
}

bool PlayerRegistry::contains_locked(pid_t pid) const {
    return std::find(pids_.begin(), pids_.end(), pid) != pids_.end();
}

std::optional<int> PlayerRegistry::take_status(pid_t pid) {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(statuses_.begin(), statuses_.end(),
                                    [pid](const auto& entry) { return entry.first == pid; });
    if (found == statuses_.end())
        return std::nullopt;
    const int status = found->second;
    statuses_.erase(found);
    return status;
}

unsigned long long start_ticks(pid_t pid) {
    ProcStat stat;
    return read_stat(pid, stat) ? stat.started : 0;
}

std::vector<GameProcess> find_game_processes(const std::vector<pid_t>& leaders,
                                             const std::string& tag,
                                             unsigned long long started_after) {
    const std::string assignment = std::string(kGameTagVariable) + "=" + tag;
    const pid_t self = ::getpid();
    std::vector<GameProcess> found;
    for_each_process([&](const ProcStat& stat) {
        // Nothing a player started can be older than the player.
        if (stat.pid == self || stat.started < started_after)
            return;
        const bool in_group = std::any_of(leaders.begin(), leaders.end(), [&](pid_t leader) {
            return stat.group == leader || stat.session == leader;
        });
        // An orphan handed to us that is no player, even one that left its
        // group and cleared its environment: with one game at a time it is
        // this game's; with games side by side it ends with the first game
        // that ends after it started.
        const bool orphan = stat.parent == self && !PlayerRegistry::instance().contains(stat.pid);
        // A zombie's environment can no longer be read; its group still can.
        if (in_group || orphan ||
            (!tag.empty() && stat.state != 'Z' && carries_tag(stat.pid, assignment)))
            found.push_back({stat.pid, stat.group, stat.state == 'Z'});
    });
    return found;
}

void become_subreaper() {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
}

void reap_stray(pid_t pid) {
    if (PlayerRegistry::instance().contains(pid))
        return;
    int status = 0;
    // __WALL: also a child cloned without SIGCHLD, such as the tracer a
    // leak checker in a player starts, which would otherwise stay a zombie.
    while (::waitpid(pid, &status, WNOHANG | __WALL) < 0 && errno == EINTR) {
    }
}

void end_stray_children() {
    const pid_t self = ::getpid();
    // Killing a stray re-parents its own children to us: look again until
    // none is left (bounded, in case something keeps forking).
    for (int round = 0; round < 100; ++round) {
        std::vector<pid_t> children;
        for_each_process([&](const ProcStat& stat) {
            if (stat.parent == self)
                children.push_back(stat.pid);
        });
        if (children.empty())
            return;
        for (pid_t child : children) {
            ::kill(child, SIGKILL);
            int status = 0;
            while (::waitpid(child, &status, __WALL) < 0 && errno == EINTR) {
            }
        }
    }
}

}  // namespace referee
