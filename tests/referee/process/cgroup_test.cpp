// A player's control group on its own: the bounds it holds, the CPU time
// and peaks it reads back, and a frozen group that still dies when killed.
#include "referee/process/cgroup.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using referee::Controller;
using referee::GroupLimits;
using referee::PlayerCgroup;

constexpr std::size_t kChildBytes = std::size_t{4} << 20U;

constexpr double kSpunSeconds = 0.03;

double own_cpu_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A child in `group` that holds kChildBytes and spins until it is killed;
// once it has spent kSpunSeconds of CPU time in the group, by its own
// count, it writes a byte to `told`.
pid_t start_spinner(const PlayerCgroup& group, int told) {
    const pid_t child = ::fork();
    if (child == 0) {
        for (int fd : group.join_fds()) {
            if (::write(fd, "0", 1) != 1)
                ::_exit(2);
        }
        const double joined = own_cpu_seconds();
        // Through a volatile pointer: stores nobody reads may be dropped.
        volatile char* held = new char[kChildBytes];
        for (std::size_t i = 0; i < kChildBytes; i += 4096)
            held[i] = 1;
        volatile unsigned long spin = 0;
        while (own_cpu_seconds() < joined + kSpunSeconds)
            spin = static_cast<unsigned long>(spin) + 1;
        if (::write(told, "x", 1) != 1)
            ::_exit(2);
        while (true)
            spin = static_cast<unsigned long>(spin) + 1;
    }
    return child;
}

// The state letter the kernel shows for `pid`: 'R' running or ready to,
// 'D' or 'S' asleep (in a v1 or a v2 freezer), ...; '?' when it cannot be
// read.
char task_state(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(") ");
    return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

// The CPU time the kernel counts for `pid`, in nanoseconds.
long long cpu_nanos_of(pid_t pid) {
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &used) != 0)
        return -1;
    return static_cast<long long>(used.tv_sec) * 1'000'000'000LL + used.tv_nsec;
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

    std::array<int, 2> told{};
    ASSERT_EQ(::pipe(told.data()), 0);
    const pid_t child = start_spinner(*group, told[1]);
    ASSERT_GT(child, 0);
    ::close(told[1]);
    // The child says when it has spun 30 ms, which its quota of half a CPU
    // allows; the group must have counted at least that. The minute only
    // fails a child that never gets there.
    pollfd spun{told[0], POLLIN, 0};
    char byte = 0;
    const bool said = ::poll(&spun, 1, 60'000) == 1 && ::read(told[0], &byte, 1) == 1;
    ::close(told[0]);
    EXPECT_TRUE(said) << "the child did not get to spend " << kSpunSeconds << " s of CPU";
    EXPECT_GE(group->cpu_seconds(), kSpunSeconds);
    const auto members = group->members();
    EXPECT_NE(std::find(members.begin(), members.end(), child), members.end());
    if (group->has(Controller::Pids)) {
        EXPECT_GE(group->peak_processes(), 1);
    }
    if (group->has(Controller::Memory)) {
        EXPECT_GE(group->peak_memory(), kChildBytes);
    }
    EXPECT_FALSE(group->memory_exceeded());

    // Frozen, it uses no more CPU, and a kill still ends it. The kernel
    // says so itself: the spinner, never asleep on its own, sleeps in the
    // freezer, and neither its CPU time nor its group's moves while the
    // test reads them again and again.
    group->freeze(true);
    const double frozen_at = group->cpu_seconds();
    const long long child_at = cpu_nanos_of(child);
    EXPECT_GT(child_at, 0);
    constexpr int kLooks = 200;
    int still = 0;
    const auto asleep = [child] {
        const char state = task_state(child);
        return state == 'D' || state == 'S';
    };
    while (still < kLooks && asleep() && cpu_nanos_of(child) == child_at &&
           group->cpu_seconds() == frozen_at)
        ++still;
    EXPECT_EQ(still, kLooks) << "state " << task_state(child) << ", CPU "
                             << cpu_nanos_of(child) - child_at << " ns on";
    group->signal_all(SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(group->empty());
}

}  // namespace
