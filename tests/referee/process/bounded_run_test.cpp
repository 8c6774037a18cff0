// A build run to its end: its output kept up to a bound, its end told in
// the words a results line keeps.
#include "referee/process/bounded_run.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "referee/process/cgroup.h"

namespace {

using namespace std::chrono_literals;

referee::BoundedRun run(const std::string& script, std::size_t bytes = 1 << 16,
                        std::chrono::milliseconds limit = 20s) {
    return referee::run_bounded({{"sh", "-c", script}, "", {}, std::nullopt, true}, limit, bytes);
}

// CPU seconds of this process's children that have been waited for.
double reaped_cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST(BoundedRun, KeepsBothStreamsAndTellsHowItEnded) {
    const double cpu_before = reaped_cpu_seconds();
    const auto called = std::chrono::steady_clock::now();
    const auto built = run("echo one; echo two >&2; echo three");
    const std::chrono::duration<double> call = std::chrono::steady_clock::now() - called;
    const double shell_cpu = reaped_cpu_seconds() - cpu_before;
    EXPECT_TRUE(built.ok());
    EXPECT_EQ(built.why, "");
    EXPECT_EQ(built.output, "one\ntwo\nthree\n");
    // The wall time it tells lies between what the kernel counts for the
    // shell (one process, its lines builtins, reaped by the run) on the CPU
    // and the whole call as the test measures it.
    EXPECT_GT(shell_cpu, 0.0);
    EXPECT_GE(built.seconds, shell_cpu);
    EXPECT_LE(built.seconds, call.count());

    EXPECT_EQ(run("exit 2").why, "exited with status 2");
    EXPECT_FALSE(run("exit 2").ok());
    EXPECT_EQ(run("kill -ABRT $$").why, "killed by signal 6 (Aborted)");
    EXPECT_EQ(referee::run_bounded({{"/nonexistent/build"}, "", {}, std::nullopt}, 5s, 100).why,
              "could not start: /nonexistent/build: No such file or directory");
}

TEST(BoundedRun, OutputBeyondTheBoundIsCountedNotKept) {
    // 200 kB: far more than a pipe holds, so the program stalls unless the
    // rest is read and dropped.
    const auto chatty = run("head -c 200000 /dev/zero | tr '\\0' x", 1000);
    EXPECT_TRUE(chatty.ok()) << chatty.why;
    EXPECT_EQ(chatty.output, std::string(1000, 'x') + "\n[199000 more bytes left out]\n");
}

TEST(BoundedRun, WhatOutlivesItsBoundIsEndedWithEverythingItStarted) {
    // A child that keeps the output pipe open: the bound ends both.
    const auto hung = run("sleep 60 & echo started; wait", 1000, 300ms);
    EXPECT_EQ(hung.why, "took more than 0.3 s");
    EXPECT_EQ(hung.output, "started\n");
    EXPECT_LT(hung.seconds, 10.0);
}

TEST(BoundedRun, ABuildOverItsMemoryIsKilledForIt) {
    referee::Confinement confinement;
    confinement.memory_bytes = std::size_t{64} << 20U;
    const auto group = referee::PlayerCgroup::create(referee::group_limits(confinement));
    if (!group || !group->memory_bounded())
        GTEST_SKIP() << "no memory control group here: the bound would be per process";
    const auto greedy =
        referee::run_bounded({{"/bin/sh", "-c", "x=$(head -c 300000000 /dev/zero | tr '\\0' x)"},
                              "",
                              confinement,
                              std::nullopt},
                             60s, 1000);
    EXPECT_EQ(greedy.why, "killed: memory") << greedy.output;
}

}  // namespace
