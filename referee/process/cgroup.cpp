#include "referee/process/cgroup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace referee {
namespace {

constexpr std::size_t kControllers = static_cast<std::size_t>(Controller::Count);
// The scheduler's period for a CPU quota: the default of both versions.
constexpr long kCpuPeriodMicros = 100'000;
// A freeze of a player blocked on its input holds within microseconds:
// looked at every 50 us, for at most 100 ms before the game goes on anyway.
constexpr timespec kFreezePoll{0, 50'000};
constexpr int kFreezeWaitRounds = 2000;

std::size_t slot(Controller controller) {
    return static_cast<std::size_t>(controller);
}

// One hierarchy the referee may make groups in: its own group there, as a
// directory ("/sys/fs/cgroup/memory/user/...").
struct Hierarchy {
    std::string parent;
    bool v2 = false;
};

struct Hierarchies {
    std::vector<Hierarchy> list;
    // Which hierarchy serves each controller; -1 where none does.
    std::array<int, kControllers> of{-1, -1, -1, -1, -1};
    int v2 = -1;
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

bool write_text(const std::string& path, const std::string& text) {
    const Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.is_open() &&
           ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool has_word(const std::string& text, const std::string& word) {
    std::stringstream words(text);
    std::string each;
    while (words >> each) {
        if (each == word)
            return true;
    }
    return false;
}

// The number after `key` in a "key value" file (memory.events, cpu.stat,
// memory.oom_control); -1 where there is none.
long long keyed_value(const std::string& path, const std::string& key) {
    std::ifstream in(path);
    std::string name;
    long long value = 0;
    while (in >> name >> value) {
        if (name == key)
            return value;
    }
    return -1;
}

long long plain_value(const std::string& path) {
    std::ifstream in(path);
    long long value = -1;
    in >> value;
    return value;
}

std::string new_group_name() {
    static std::atomic<unsigned> counter{0};
    return "referee-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// A v2 group with processes of its own cannot hand controllers to groups
// below it, and a delegated group (systemd's Delegate=yes) holds the
// referee itself: the referee moves into a leaf of its own, once, and
// enables the controllers it needs for its siblings, the players' groups.
void enable_v2_controllers(const std::string& parent) {
    const std::string offered = read_text(parent + "/cgroup.controllers");
    const std::string enabled = read_text(parent + "/cgroup.subtree_control");
    std::string wanted;
    for (const char* name : {"memory", "cpu", "pids"}) {
        if (has_word(offered, name) && !has_word(enabled, name))
            wanted += std::string(wanted.empty() ? "+" : " +") + name;
    }
    if (wanted.empty() || write_text(parent + "/cgroup.subtree_control", wanted))
        return;
    if (errno != EBUSY)
        return;
    const std::string leaf = parent + "/referee-" + std::to_string(::getpid());
    if (::mkdir(leaf.c_str(), 0755) != 0 && errno != EEXIST)
        return;
    if (write_text(leaf + "/cgroup.procs", "0"))
        write_text(parent + "/cgroup.subtree_control", wanted);
}

void assign_v2(Hierarchies& found, const std::string& parent) {
    found.v2 = static_cast<int>(found.list.size());
    found.list.push_back({parent, true});
    enable_v2_controllers(parent);
    const std::string enabled = read_text(parent + "/cgroup.subtree_control");
    const std::pair<Controller, const char*> delegated[] = {
        {Controller::Memory, "memory"}, {Controller::Cpu, "cpu"}, {Controller::Pids, "pids"}};
    for (const auto& [controller, name] : delegated) {
        if (has_word(enabled, name) && found.of[slot(controller)] < 0)
            found.of[slot(controller)] = found.v2;
    }
}

Hierarchies find_hierarchies() {
    Hierarchies found;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    std::string v2_parent;
    const std::pair<Controller, const char*> v1_names[] = {{Controller::Memory, "memory"},
                                                           {Controller::Cpu, "cpu"},
                                                           {Controller::CpuTime, "cpuacct"},
                                                           {Controller::Freezer, "freezer"},
                                                           {Controller::Pids, "pids"}};
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
        if (type == "cgroup2" && v2_parent.empty())
            v2_parent = join_paths(mount, root, own_path(""));
        if (type != "cgroup")
            continue;
        // cpu and cpuacct often share one mount: one group serves both.
        const std::string options_list = "," + super + ",";
        int index = -1;
        for (const auto& [controller, name] : v1_names) {
            if (options_list.find(std::string(",") + name + ",") == std::string::npos ||
                found.of[slot(controller)] >= 0)
                continue;
            if (index < 0) {
                index = static_cast<int>(found.list.size());
                found.list.push_back({join_paths(mount, root, own_path(name)), false});
            }
            found.of[slot(controller)] = index;
        }
    }
    if (!v2_parent.empty()) {
        assign_v2(found, v2_parent);
        // Freezing and CPU time are the v2 core's, in any v2 group.
        for (Controller core : {Controller::CpuTime, Controller::Freezer}) {
            if (found.of[slot(core)] < 0)
                found.of[slot(core)] = found.v2;
        }
    }
    return found;
}

const Hierarchies& hierarchies() {
    static const Hierarchies found = find_hierarchies();
    return found;
}

}  // namespace

std::unique_ptr<PlayerCgroup> PlayerCgroup::create(const GroupLimits& limits) {
    const Hierarchies& where = hierarchies();
    std::unique_ptr<PlayerCgroup> made(new PlayerCgroup);
    const std::string name = new_group_name();
    std::vector<int> index_of(where.list.size(), -1);
    for (std::size_t i = 0; i < where.list.size(); ++i) {
        // A group that cannot take a process is no use: made, then checked
        // by opening its cgroup.procs for writing.
        const Hierarchy& hierarchy = where.list[i];
        Group group{hierarchy.parent + "/" + name, hierarchy.v2, Fd()};
        if (hierarchy.parent.empty() || ::mkdir(group.dir.c_str(), 0755) != 0)
            continue;
        group.procs.reset(::open((group.dir + "/cgroup.procs").c_str(), O_WRONLY | O_CLOEXEC));
        if (!group.procs.is_open()) {
            ::rmdir(group.dir.c_str());
            continue;
        }
        index_of[i] = static_cast<int>(made->groups_.size());
        made->join_fds_.push_back(group.procs.get());
        made->groups_.push_back(std::move(group));
    }
    if (made->groups_.empty())
        return nullptr;
    for (std::size_t c = 0; c < kControllers; ++c) {
        if (where.of[c] >= 0)
            made->of_[c] = index_of[static_cast<std::size_t>(where.of[c])];
    }
    if (where.v2 >= 0)
        made->v2_ = index_of[static_cast<std::size_t>(where.v2)];
    made->hold_limits(limits);
    return made;
}

void PlayerCgroup::hold_limits(const GroupLimits& limits) {
    if (limits.max_processes > 0 && has(Controller::Pids))
        bounded_ =
            write_text(dir(Controller::Pids) + "/pids.max", std::to_string(limits.max_processes));
    if (limits.memory_bytes > 0 && has(Controller::Memory)) {
        const std::string& memory = dir(Controller::Memory);
        const std::string bytes = std::to_string(limits.memory_bytes);
        // No swap, where swap is accounted at all: a player's memory is all
        // in RAM, where the bound is.
        const bool v2_memory = v2(Controller::Memory);
        memory_bounded_ =
            write_text(memory + (v2_memory ? "/memory.max" : "/memory.limit_in_bytes"), bytes);
        const std::string swap =
            memory + (v2_memory ? "/memory.swap.max" : "/memory.memsw.limit_in_bytes");
        if (memory_bounded_ && ::access(swap.c_str(), F_OK) == 0)
            memory_bounded_ = write_text(swap, v2_memory ? "0" : bytes);
    }
    if (limits.cpus > 0 && has(Controller::Cpu)) {
        const long quota = std::max(1000L, static_cast<long>(limits.cpus * kCpuPeriodMicros));
        const std::string& cpu = dir(Controller::Cpu);
        if (v2(Controller::Cpu)) {
            cpu_bounded_ = write_text(
                cpu + "/cpu.max", std::to_string(quota) + " " + std::to_string(kCpuPeriodMicros));
        } else {
            cpu_bounded_ =
                write_text(cpu + "/cpu.cfs_period_us", std::to_string(kCpuPeriodMicros)) &&
                write_text(cpu + "/cpu.cfs_quota_us", std::to_string(quota));
        }
    }
}

PlayerCgroup::~PlayerCgroup() {
    if (frozen_)
        freeze(false);
    // Fails (EBUSY) only while a process stuck in the kernel is still in it.
    for (Group& group : groups_) {
        group.procs.reset();
        ::rmdir(group.dir.c_str());
    }
}

const std::string& PlayerCgroup::dir(Controller controller) const {
    static const std::string none;
    const int index = of_[slot(controller)];
    return index < 0 ? none : groups_[static_cast<std::size_t>(index)].dir;
}

bool PlayerCgroup::v2(Controller controller) const {
    const int index = of_[slot(controller)];
    return index >= 0 && groups_[static_cast<std::size_t>(index)].v2;
}

bool PlayerCgroup::memory_exceeded() const {
    if (!memory_bounded_)
        return false;
    const std::string& memory = dir(Controller::Memory);
    const std::string file = v2(Controller::Memory) ? "/memory.events" : "/memory.oom_control";
    return keyed_value(memory + file, "oom_kill") > 0;
}

double PlayerCgroup::cpu_seconds() const {
    if (!has(Controller::CpuTime))
        return 0;
    const std::string& cpu = dir(Controller::CpuTime);
    if (v2(Controller::CpuTime))
        return static_cast<double>(std::max(0LL, keyed_value(cpu + "/cpu.stat", "usage_usec"))) /
               1e6;
    return static_cast<double>(std::max(0LL, plain_value(cpu + "/cpuacct.usage"))) / 1e9;
}

std::size_t PlayerCgroup::peak_memory() const {
    if (!has(Controller::Memory))
        return 0;
    const std::string file = v2(Controller::Memory) ? "/memory.peak" : "/memory.max_usage_in_bytes";
    return static_cast<std::size_t>(std::max(0LL, plain_value(dir(Controller::Memory) + file)));
}

long PlayerCgroup::peak_processes() const {
    if (!has(Controller::Pids))
        return 0;
    return static_cast<long>(std::max(0LL, plain_value(dir(Controller::Pids) + "/pids.peak")));
}

void PlayerCgroup::freeze(bool frozen) {
    if (!has(Controller::Freezer) || frozen == frozen_)
        return;
    const std::string& freezer = dir(Controller::Freezer);
    const bool done = v2(Controller::Freezer)
                          ? write_text(freezer + "/cgroup.freeze", frozen ? "1" : "0")
                          : write_text(freezer + "/freezer.state", frozen ? "FROZEN" : "THAWED");
    if (!done)
        return;
    frozen_ = frozen;
    // Freezing takes effect as each process next enters the kernel: wait,
    // a bounded while, so that the opponent's clock does not start while
    // this group still runs.
    for (int round = 0; frozen && round < kFreezeWaitRounds && !frozen_now(); ++round)
        ::nanosleep(&kFreezePoll, nullptr);
}

bool PlayerCgroup::frozen_now() const {
    const std::string& freezer = dir(Controller::Freezer);
    if (v2(Controller::Freezer))
        return keyed_value(freezer + "/cgroup.events", "frozen") == 1;
    return read_text(freezer + "/freezer.state").rfind("FROZEN", 0) == 0;
}

std::vector<pid_t> PlayerCgroup::members() const {
    const std::size_t listing = v2_ >= 0 ? static_cast<std::size_t>(v2_) : 0;
    std::vector<pid_t> pids;
    std::ifstream in(groups_[listing].dir + "/cgroup.procs");
    pid_t pid = 0;
    while (in >> pid)
        pids.push_back(pid);
    return pids;
}

void PlayerCgroup::signal_all(int signal_number) {
    freeze(false);
    if (signal_number == SIGKILL && v2_ >= 0 &&
        write_text(groups_[static_cast<std::size_t>(v2_)].dir + "/cgroup.kill", "1"))
        return;
    // A process forked meanwhile joins the group and is caught by the next
    // call: teardown repeats until the group is empty.
    for (pid_t pid : members())
        ::kill(pid, signal_number);
}

std::vector<std::string> missing_guarantees(const GroupLimits& limits) {
    const auto group = PlayerCgroup::create(limits);
    std::vector<std::string> missing;
    if (limits.memory_bytes > 0 && !(group && group->memory_bounded()))
        missing.emplace_back("memory bounded per process only");
    if (limits.cpus > 0 && !(group && group->cpu_bounded()))
        missing.emplace_back("no CPU quota");
    if (!(group && group->has(Controller::Freezer)))
        missing.emplace_back("no freezing");
    if (limits.max_processes > 0 && !(group && group->bounded()))
        missing.emplace_back("no process bound");
    return missing;
}

}  // namespace referee
