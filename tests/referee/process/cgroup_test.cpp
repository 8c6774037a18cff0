// A player's control group on its own: the bounds it holds, the CPU time
// and peaks it reads back, and a frozen group that still dies when killed.
#include "referee/process/cgroup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

using referee::Controller;
using referee::GroupLimits;
using referee::PlayerCgroup;

constexpr std::size_t kChildBytes = std::size_t{4} << 20U;

// A child in `group` that holds kChildBytes and spins until it is killed.
pid_t start_spinner(const PlayerCgroup& group) {
    const pid_t child = ::fork();
    if (child == 0) {
        for (int fd : group.join_fds()) {
            if (::write(fd, "0", 1) != 1)
                ::_exit(2);
        }
        // Through a volatile pointer: stores nobody reads may be dropped.
        volatile char* held = new char[kChildBytes];
        for (std::size_t i = 0; i < kChildBytes; i += 4096)
            held[i] = 1;
        volatile unsigned long spin = 0;
        while (true)
            spin = static_cast<unsigned long>(spin) + 1;
    }
    return child;
}

TEST(PlayerCgroup, HoldsItsBoundsCountsCpuAndKillsAFrozenGroup) {
    const GroupLimits limits{16, std::size_t{64} << 20U, 0.5};
    const auto group = PlayerCgroup::create(limits);
    if (!group || !group->has(Controller::Freezer) || !group->has(Controller::CpuTime))
        GTEST_SKIP() << "no control group with a freezer and CPU time can be made here";
    EXPECT_EQ(group->bounded(), group->has(Controller::Pids));
    EXPECT_EQ(group->memory_bounded(), group->has(Controller::Memory));
    EXPECT_EQ(group->cpu_bounded(), group->has(Controller::Cpu));
    EXPECT_EQ(group->cpu_seconds(), 0.0);
    EXPECT_TRUE(group->empty());
    EXPECT_TRUE(referee::missing_guarantees(limits).empty());

    const pid_t child = start_spinner(*group);
    ASSERT_GT(child, 0);
    // Bounded by the CPU it uses, not by a clock: it spins until it has
    // used 30 ms, which its quota of half a CPU allows.
    for (int round = 0; round < 100'000 && group->cpu_seconds() < 0.03; ++round)
        ::usleep(100);
    EXPECT_GE(group->cpu_seconds(), 0.03);
    const auto members = group->members();
    EXPECT_NE(std::find(members.begin(), members.end(), child), members.end());
    if (group->has(Controller::Pids)) {
        EXPECT_GE(group->peak_processes(), 1);
    }
    if (group->has(Controller::Memory)) {
        EXPECT_GE(group->peak_memory(), kChildBytes);
    }
    EXPECT_FALSE(group->memory_exceeded());

    // Frozen, it uses no more CPU, and a kill still ends it.
    group->freeze(true);
    const double frozen_at = group->cpu_seconds();
    for (int round = 0; round < 20; ++round)
        ::usleep(1000);
    EXPECT_EQ(group->cpu_seconds(), frozen_at);
    group->signal_all(SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(group->empty());
}

}  // namespace
