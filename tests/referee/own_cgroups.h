// The control groups this process is in, one per hierarchy, as directories:
// shared by the fake player (which tries to leave or raise its own) and the
// tests that hand groups to an unprivileged referee.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace referee_test {

struct OwnCgroup {
    std::string controllers;  // "memory", "cpu", ...; empty for v2
    std::string dir;
};

// From /proc/self/cgroup: v1 hierarchies under /sys/fs/cgroup/NAME, v2
// beside them at unified or, on a host with v2 alone, at /sys/fs/cgroup
// itself. Named hierarchies (systemd's) and groups that are not there to
// see (a cgroup namespace's) are left out.
inline std::vector<OwnCgroup> own_cgroups() {
    const std::string v2_mount = std::filesystem::exists("/sys/fs/cgroup/unified/cgroup.procs")
                                     ? "/sys/fs/cgroup/unified"
                                     : "/sys/fs/cgroup";
    std::vector<OwnCgroup> groups;
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string names = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (names.rfind("name=", 0) == 0)
            continue;
        if (path == "/")
            path.clear();
        const std::string dir = (names.empty() ? v2_mount : "/sys/fs/cgroup/" + names) + path;
        if (std::filesystem::exists(dir + "/cgroup.procs"))
            groups.push_back({names, dir});
    }
    return groups;
}

}  // namespace referee_test
