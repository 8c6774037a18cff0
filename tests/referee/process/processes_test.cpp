// Nothing a player starts outlives its game: children that keep the pipes,
// a daemon that left the player's session, a player that exits while a
// descendant holds its output or hands the game to a child, and a referee
// that is itself stopped mid-game.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>

#include "fake_game.h"
#include "referee/process/cgroup.h"
#include "run_referee.h"

namespace {

using referee_test::RefereeRun;

// Each case with the sandbox ("on", where bwrap works) and without it.
class Processes : public referee_test::FakeGame, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (sandboxed() && !referee_test::sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
    }
    bool sandboxed() const { return std::string(GetParam()) == "on"; }
    // Every process of these players, and of what they start, reports to the
    // family file.
    std::string fake(const std::string& name, std::vector<std::string> args = {}) {
        return FakeGame::fake(name, std::move(args), true);
    }
    RefereeRun play(const std::string& black, const std::string& white,
                    std::vector<std::string> options = {}, test_support::RunOptions run = {}) {
        options.insert(options.end(), {"--sandbox", referee_test::sandbox_word(GetParam())});
        return FakeGame::play(black, white, std::move(options), "squares", std::move(run));
    }

    // Every process of the family was started and none is left, as a live
    // process or an unreaped zombie.
    void expect_family_gone(std::size_t at_least) {
        const auto pids = referee_test::read_pids(family());
        EXPECT_GE(pids.size(), at_least);
        // In the sandbox they are pids of its own namespace, and the marks
        // on the command lines are what finds them.
        if (!sandboxed()) {
            EXPECT_TRUE(referee_test::all_gone(pids));
        }
        EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
    }
};

constexpr const char* kFinished = "Finished game 1 (fake_player vs fake_player): ";

TEST_P(Processes, DescendantsInAndOutOfTheGroupEndWithTheGame) {
    struct Case {
        const char* spawn;
        std::vector<std::string> extra;
        std::size_t processes;  // per player, the player included
    };
    const Case cases[] = {
        {"children", {}, 4},
        {"children", {"--linger", "--ignore-term"}, 4},  // only SIGKILL ends them
        {"grandchild", {}, 2},
        {"daemon", {}, 2},
        {"daemon", {"--ignore-term"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spawn + std::string(c.extra.empty() ? "" : " stubborn"));
        std::filesystem::remove(family());
        std::vector<std::string> args{"--spawn", c.spawn};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const RefereeRun run = play(fake("black", args), fake("white", args), {"--plies", "4"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out,
                  std::string(kFinished) + "1/2-1/2 {the ply limit was reached: 4 plies}\n");
        expect_family_gone(2 * c.processes);
    }
}

TEST_P(Processes, PlayerExitIsSeenAtOnceWhileADescendantHoldsItsPipes) {
    // With a clock of 100 s, a referee that waits for end of file on the
    // output would call this a loss on time (and the run would time out).
    struct Case {
        std::vector<std::string> black;
        const char* expected;
    };
    const Case cases[] = {
        {{"--spawn", "grandchild", "--mode", "exit", "--after", "1"},
         "0-1 {black exited: exit status 0}"},
        {{"--spawn", "children", "--mode", "crash", "--after", "1"},
         "0-1 {black exited: killed by signal 6"},
        // The player hands its pipes to a child that plays on, and exits.
        {{"--spawn", "handoff"}, "0-1 {black exited: exit status 0}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const bool handoff = c.black.front() == "--spawn" && c.black[1] == "handoff";
        // In the sandbox the child dies with the player, as bwrap's first
        // process ends the namespace, but on a busy machine only after it
        // may have played a few moves: which verdict comes first is up to
        // the scheduler, so that case is the unsandboxed run's.
        if (handoff && sandboxed())
            continue;
        std::filesystem::remove(family());
        // White is outside the family: the game may end before a loaded
        // machine has even run it, and it is still found by its mark.
        const RefereeRun run =
            play(fake("black", c.black), FakeGame::fake("white"), {"--time", "100"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind(kFinished + std::string(c.expected), 0), 0u) << run.out;
        expect_family_gone(2);
    }
}

TEST_P(Processes, PlayersRunWithoutCoreDumpsAndWithTheMemoryLimit) {
    const std::string limits = dir_ + "/limits.txt";
#ifdef __SANITIZE_ADDRESS__
    // A sanitized player reserves terabytes of address space at start and
    // cannot run under any limit: check only that it gets none.
    const std::vector<std::string> options{"--plies", "2"};
    const std::string expected = "core=0 as=" + std::to_string(RLIM_INFINITY) + "\n";
#else
    // The address space is bounded only where the player's control group
    // cannot bound its memory as a whole.
    const std::vector<std::string> options{"--plies", "2", "--player-memory", "512"};
    const auto missing = referee::missing_guarantees({0, std::size_t{512} << 20U, 0});
    const bool per_process = std::find(missing.begin(), missing.end(),
                                       "memory bounded per process only") != missing.end();
    const std::string expected =
        "core=0 as=" + (per_process ? std::string("536870912") : std::to_string(RLIM_INFINITY)) +
        "\n";
#endif
    const RefereeRun run = play(fake("black", {"--limits", limits}), fake("white"), options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(referee_test::read_file(limits), expected);
    expect_family_gone(2);
}

TEST_P(Processes, StoppedRefereeEndsThePlayersAndRecordsTheUnfinishedGame) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        std::filesystem::remove(family());
        std::filesystem::remove(dir_ + "/black.pid");
        const std::string record = out_ + "/game.txt";
        test_support::RunOptions run_options;
        // Black thinks for ever after one move; stop the referee once all six
        // processes (black and its three children, white and its daemon)
        // have reported, so that the check below counts every one of them:
        // on a loaded machine the daemon can report after the others.
        run_options.started = [&](pid_t referee) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (referee_test::read_pids(family()).size() < 6 &&
                   std::chrono::steady_clock::now() < deadline) {
                ::usleep(1000);
            }
            ::kill(referee, number);
        };
        const RefereeRun run =
            play(fake("black", {"--spawn", "children", "--mode", "silent", "--after", "1"}),
                 fake("white", {"--spawn", "daemon", "--ignore-term"}), {"--record", record},
                 run_options);
        EXPECT_EQ(run.status, 128 + number) << run.err;
        const std::string sentence = std::string("* {the referee was stopped: signal ") +
                                     std::to_string(number) + " (" + ::strsignal(number) + ")}";
        EXPECT_EQ(run.out, kFinished + sentence +
                               "\nScore of fake_player vs fake_player: 0 - 0 - 0 "
                               "(wins - losses - draws)\n");
        const std::string text = referee_test::read_file(record);
        EXPECT_NE(text.find("[Result \"*\"]"), std::string::npos) << text;
        EXPECT_NE(text.find("[Termination \"the referee was stopped: signal"), std::string::npos);
        EXPECT_NE(text.find("\n*\n"), std::string::npos);
        expect_family_gone(6);
    }
}

INSTANTIATE_TEST_SUITE_P(Sandbox, Processes, ::testing::Values("on", "off"));

}  // namespace
