#include "referee/process/cgroup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>

namespace referee {
namespace {

// Where a hierarchy is mounted and which group of it the referee is in, as
// one directory: "/sys/fs/cgroup/unified/user.slice/...".
struct Hierarchies {
    std::string v2;    // empty when there is none
    std::string pids;  // v1 pids controller; empty when there is none
    bool v2_pids = false;
};

// "/proc/self/cgroup" lines are "ID:CONTROLLERS:PATH"; v2's is "0::PATH".
std::string own_path(const std::string& controller) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string list = line.substr(first + 1, second - first - 1);
        std::stringstream names(list);
        std::string name;
        bool match = controller.empty() && list.empty();
        while (!controller.empty() && std::getline(names, name, ','))
            match = match || name == controller;
        if (match)
            return line.substr(second + 1);
    }
    return {};
}

// Mount point plus the group's path below the mount's own root.
std::string join_paths(const std::string& mount, const std::string& root, const std::string& path) {
    std::string below = path;
    if (root != "/" && below.rfind(root, 0) == 0)
        below.erase(0, root.size());
    if (below == "/")
        below.clear();
    return mount + below;
}

Hierarchies find_hierarchies() {
    Hierarchies found;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // "ID PARENT MAJ:MIN ROOT MOUNT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER"
        std::stringstream words(line);
        std::string id, parent, device, root, mount, options;
        words >> id >> parent >> device >> root >> mount >> options;
        std::string word;
        while (words >> word && word != "-") {
        }
        std::string type, source, super;
        words >> type >> source >> super;
        if (type == "cgroup2" && found.v2.empty()) {
            found.v2 = join_paths(mount, root, own_path(""));
        } else if (type == "cgroup" && found.pids.empty() &&
                   ("," + super + ",").find(",pids,") != std::string::npos) {
            found.pids = join_paths(mount, root, own_path("pids"));
        }
    }
    if (!found.v2.empty()) {
        std::ifstream controllers(found.v2 + "/cgroup.subtree_control");
        std::string name;
        while (controllers >> name)
            found.v2_pids = found.v2_pids || name == "pids";
    }
    return found;
}

const Hierarchies& hierarchies() {
    static const Hierarchies found = find_hierarchies();
    return found;
}

std::string new_group_name() {
    static std::atomic<unsigned> counter{0};
    return "referee-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

bool write_text(const std::string& path, const std::string& text) {
    const Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.is_open() &&
           ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::vector<pid_t> read_pids(const std::string& path) {
    std::vector<pid_t> pids;
    std::ifstream in(path);
    pid_t pid = 0;
    while (in >> pid)
        pids.push_back(pid);
    return pids;
}

// A group that cannot take a process is no use: made, then checked by
// opening its cgroup.procs for writing.
std::string make_group(const std::string& parent, Fd& procs) {
    if (parent.empty())
        return {};
    std::string dir = parent + "/" + new_group_name();
    if (::mkdir(dir.c_str(), 0755) != 0)
        return {};
    procs.reset(::open((dir + "/cgroup.procs").c_str(), O_WRONLY | O_CLOEXEC));
    if (!procs.is_open()) {
        ::rmdir(dir.c_str());
        return {};
    }
    return dir;
}

}  // namespace

std::unique_ptr<PlayerCgroup> PlayerCgroup::create(int max_processes) {
    const Hierarchies& where = hierarchies();
    std::unique_ptr<PlayerCgroup> made(new PlayerCgroup);
    PlayerCgroup& group = *made;
    group.dir_ = make_group(where.v2, group.procs_);
    const std::string limit = std::to_string(max_processes);
    if (max_processes > 0 && !group.dir_.empty() && where.v2_pids)
        group.bounded_ = write_text(group.dir_ + "/pids.max", limit);
    if (!group.bounded_ || group.dir_.empty()) {
        group.pids_dir_ = make_group(where.pids, group.pids_procs_);
        if (max_processes > 0 && !group.pids_dir_.empty())
            group.bounded_ = write_text(group.pids_dir_ + "/pids.max", limit);
    }
    if (!group.lists_processes())
        return nullptr;
    return made;
}

PlayerCgroup::~PlayerCgroup() {
    procs_.reset();
    pids_procs_.reset();
    // Fails (EBUSY) only while a process stuck in the kernel is still in it.
    for (const std::string* dir : {&dir_, &pids_dir_}) {
        if (!dir->empty())
            ::rmdir(dir->c_str());
    }
}

std::vector<pid_t> PlayerCgroup::members() const {
    return read_pids((dir_.empty() ? pids_dir_ : dir_) + "/cgroup.procs");
}

void PlayerCgroup::signal_all(int signal_number) const {
    if (signal_number == SIGKILL && !dir_.empty() && write_text(dir_ + "/cgroup.kill", "1"))
        return;
    // A process forked meanwhile joins the group and is caught by the next
    // call: teardown repeats until the group is empty.
    for (pid_t pid : members())
        ::kill(pid, signal_number);
}

}  // namespace referee
