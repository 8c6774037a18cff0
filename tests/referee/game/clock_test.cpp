// The players' clocks with made-up time: the rules of the clock from given
// time points, and whole games whose clock a test drives, so that nothing
// here sleeps or depends on how busy the machine is.
#include "referee/game/chess_clock.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "referee/game/game.h"
#include "referee/process/cgroup.h"
#include "referee/seats/seating.h"
#include "run_referee.h"

namespace {

using namespace std::chrono_literals;
using referee::ChessClock;
using referee::Clock;
using rules::Side;

TEST(ChessClock, RunsForOneSideAtATimeAndForgivesOnlyTheMargin) {
    const Clock::time_point t0{};
    for (const auto margin : {0ms, 500ms}) {
        SCOPED_TRACE(margin.count());
        ChessClock clock(1s, margin);
        clock.start(Side::Black, t0);
        EXPECT_EQ(clock.deadline(), t0 + 1s + margin);
        EXPECT_DOUBLE_EQ(clock.stop(t0 + 600ms), 0.6);
        EXPECT_FALSE(clock.flagged(Side::Black));
        // White's thinking costs black nothing.
        clock.start(Side::White, t0 + 600ms);
        EXPECT_EQ(clock.deadline(), t0 + 1600ms + margin);
        EXPECT_DOUBLE_EQ(clock.stop(t0 + 5600ms), 5.0);
        EXPECT_TRUE(clock.flagged(Side::White));
        EXPECT_DOUBLE_EQ(clock.left()[0], 0.4);
        // Black's second move of 0.6 s oversteps its clock by 0.2 s.
        clock.start(Side::Black, t0 + 6s);
        EXPECT_EQ(clock.deadline(), t0 + 6400ms + margin);
        clock.stop(t0 + 6600ms);
        EXPECT_NEAR(clock.left()[0], -0.2, 1e-9);
        EXPECT_EQ(clock.flagged(Side::Black), margin == 0ms);
    }
}

TEST(ChessClock, AddsTheIncrementAfterEachMoveAndBoundsEveryMove) {
    const Clock::time_point t0{};
    ChessClock clock(10s, 0ms, 2s, 3s);
    clock.start(Side::Black, t0);
    EXPECT_EQ(clock.deadline(), t0 + 3s);  // the bound per move comes first
    EXPECT_TRUE(clock.move_bound_first());
    EXPECT_DOUBLE_EQ(clock.stop(t0 + 2500ms), 2.5);
    EXPECT_FALSE(clock.over_move_bound(2.5));
    EXPECT_TRUE(clock.over_move_bound(3.001));
    EXPECT_DOUBLE_EQ(clock.left()[0], 9.5);  // 10 - 2.5 + 2
    // Once the clock is below the bound, the clock's own end comes first.
    ChessClock low(1s, 100ms, 5s, 3s);
    low.start(Side::White, t0);
    EXPECT_EQ(low.deadline(), t0 + 1100ms);
    EXPECT_FALSE(low.move_bound_first());
    // A move that ran out of time earns no increment.
    low.stop(t0 + 2s);
    EXPECT_TRUE(low.flagged(Side::White));
    EXPECT_DOUBLE_EQ(low.left()[1], -1.0);
}

TEST(ChessClock, ACpuClockIsChargedWhatItUsedAndBackedByTheWallClock) {
    const Clock::time_point t0{};
    ChessClock clock(10s, 100ms, 1s);
    clock.start(Side::Black, t0);
    // Without a bound per move: three times what is left, and the margin.
    EXPECT_EQ(clock.backstop(), t0 + 30s + 100ms);
    clock.charge(2.5);
    EXPECT_DOUBLE_EQ(clock.left()[0], 8.5);  // 10 - 2.5 + 1
    clock.start(Side::White, t0 + 40s);
    clock.charge(12);
    EXPECT_TRUE(clock.flagged(Side::White));
    EXPECT_DOUBLE_EQ(clock.left()[1], -2.0);  // no increment once flagged
    // A side with nothing left has only the margin.
    EXPECT_EQ(clock.backstop(), t0 + 40s + 100ms);
    // The bound per move is the backstop when there is one.
    ChessClock bounded(10s, 0ms, 0s, 4s);
    bounded.start(Side::White, t0);
    EXPECT_EQ(bounded.backstop(), t0 + 4s);
}

std::vector<std::string> fake(const std::vector<std::string>& args) {
    std::vector<std::string> argv{FAKE_PLAYER};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

TEST(GameClock, ASideLosesOnTimeWhenItsClockRunsOutWhateverTheRealTime) {
    const std::string dir = referee_test::scratch_dir("game_clock");
    referee::GameConfig config;
    config.time_control.seconds = 150;
    config.exit_grace = 0ms;  // the silent player would not leave on its own
    referee::GameObserver quiet;

    // The clock starts at t0 and jumps 1000 s once black has shown up (its
    // pid file comes before its "ready" on standard error, which wakes the
    // referee): a silent player runs out of time at once, and is ended.
    const std::string pidfile = dir + "/black.pid";
    Clock::time_point t0{};
    bool started = false;
    config.now = [&] {
        const bool later = started && referee_test::read_pid(pidfile) > 0;
        started = true;
        return later ? t0 + 1000s : t0;
    };
    auto result = referee::play_commands(
        config, fake({"--mode", "silent", "--say", "ready", "--pidfile", pidfile}), fake({}),
        quiet);
    EXPECT_EQ(result.outcome.describe(), "black ran out of time");
    EXPECT_TRUE(referee_test::all_gone({referee_test::read_pid(pidfile)}));

    // Every reading 100 s later than the last: an instant move still takes
    // at least 100 s, and black's first move oversteps its 150 s.
    Clock::time_point ticking{};
    config.now = [&] { return ticking += 100s; };
    result = referee::play_commands(config, fake({}), fake({}), quiet);
    EXPECT_EQ(result.outcome.describe(), "black ran out of time");
    EXPECT_TRUE(result.moves.empty());
    std::filesystem::remove_all(dir);
}

TEST(GameClock, AnIncrementKeepsAClockGoingAndTheMoveBoundEndsAMoveWithTimeLeft) {
    referee::GameConfig config;
    config.exit_grace = 0ms;
    config.repetition_draws = false;
    config.rules = rules::RuleSet::Squares;  // the fake player steps back and forth
    config.ply_limit = 60;
    config.time_control.seconds = 50;
    referee::GameObserver quiet;
    // Every reading 1 s after the last: each move costs at least 2 s, so 30
    // moves overstep 50 s unless the increment pays them back.
    Clock::time_point ticking{};
    config.now = [&] { return ticking += 1s; };
    for (const double increment : {0.0, 100.0}) {
        config.time_control.increment = increment;
        const auto result = referee::play_commands(config, fake({}), fake({}), quiet);
        EXPECT_EQ(result.outcome.describe(),
                  increment > 0 ? "the ply limit was reached: 60 plies" : "black ran out of time");
    }
    // A bound per move below that second loses at once, whichever way the
    // referee sees it: by its deadline or by the time the line took.
    config.time_control.increment = 0;
    config.time_control.move_seconds = 0.5;
    auto result = referee::play_commands(config, fake({}), fake({}), quiet);
    EXPECT_EQ(result.outcome.describe(), "black exceeded the time per move: the limit is 0.5 s");

    // On the real clock: a silent player loses by the bound alone, long
    // before its 150 s are gone; the referee's deadline does the waiting.
    config.now = nullptr;
    config.time_control.seconds = 150;
    config.time_control.move_seconds = 0.05;
    result = referee::play_commands(config, fake({"--mode", "silent"}), fake({}), quiet);
    EXPECT_EQ(result.outcome.describe(), "black exceeded the time per move: the limit is 0.05 s");
}

// Wall time that races ahead costs a CPU clock nothing: only what the
// players' groups used is charged, and each side's usage tells both apart.
TEST(GameClock, ACpuClockChargesCpuTimeNotTheWallClock) {
    if (const auto probe = referee::PlayerCgroup::create({});
        !probe || !probe->has(referee::Controller::CpuTime))
        GTEST_SKIP() << "no control group counts CPU time here";
    referee::GameConfig config;
    config.exit_grace = 0ms;
    config.repetition_draws = false;
    config.rules = rules::RuleSet::Squares;
    config.ply_limit = 20;
    config.time_control.seconds = 1000;
    referee::GameObserver quiet;
    for (const auto kind : {referee::ClockKind::Wall, referee::ClockKind::Cpu}) {
        SCOPED_TRACE(kind == referee::ClockKind::Cpu ? "cpu" : "wall");
        config.clock = kind;
        Clock::time_point ticking{};
        config.now = [&] { return ticking += 100s; };
        const auto result = referee::play_commands(config, fake({}), fake({}), quiet);
        if (kind == referee::ClockKind::Wall) {
            EXPECT_EQ(result.outcome.describe(), "black ran out of time");
            // Its whole clock, the turn it lost in included.
            EXPECT_GE(result.usage[0].wall_seconds, 1000.0);
            continue;
        }
        EXPECT_EQ(result.outcome.describe(), "the ply limit was reached: 20 plies");
        for (const auto& usage : result.usage) {
            EXPECT_GE(usage.wall_seconds, 10 * 100.0);  // ten moves of 100 s or more
            EXPECT_GT(usage.cpu_seconds, 0.0);
            EXPECT_LT(usage.cpu_seconds, 10.0);
            EXPECT_GE(usage.peak_processes, 1);
        }
        for (const auto& move : result.moves)
            EXPECT_LT(move.seconds, 1.0);
    }
}

}  // namespace
