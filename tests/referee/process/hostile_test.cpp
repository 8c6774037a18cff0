// Players that attack the referee, the opponent, the terminal, the files and
// the network, or leave processes and zombies behind. Each attack touches
// only processes that carry this test's mark (its scratch folder on their
// command line) and is bounded to a few dozen processes and seconds.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "fake_game.h"
#include "run_referee.h"

namespace {

using referee_test::RefereeRun;

constexpr const char* kDraw =
    "Finished game 1 (fake_player vs fake_player): 1/2-1/2 {the ply limit was reached: 6 plies}\n";

class Hostile : public referee_test::FakeGame {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (!referee_test::sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
    }
    // Black attacks right after the header, then both play six plies.
    RefereeRun attack(const std::string& kind, const std::string& target,
                      std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--plies", "6", "--log", out_ + "/game.log"});
        return play(fake("black", {"--hostile", kind, target}), fake("white"), options);
    }
    std::string said() const { return referee_test::read_file(out_ + "/game.log"); }
};

TEST_F(Hostile, SandboxedPlayerCannotReachOpponentRefereeFilesOrNetwork) {
    const std::string outside =
        (std::filesystem::current_path() / ("hostile_" + std::to_string(::getpid()))).string();
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    struct Case {
        std::string kind;
        std::string target;
        std::string reply;  // what the attacker reports on its standard error
    };
    const Case cases[] = {
        // The marked processes it can see are its own sandbox's.
        {"kill", dir_, "signalled"},
        {"stop", dir_, "signalled"},
        {"term-parent", "-", "parent"},
        {"write", outside, "cannot write: "},
        {"connect", port, "cannot connect: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        const RefereeRun run = attack(c.kind, c.target);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kDraw);
        EXPECT_NE(said().find("black fake_player stderr: " + c.reply), std::string::npos) << said();
        EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0);  // nobody came
    ::close(listener);
}

// The private /tmp must not hide the players themselves: a build or a bot
// kept under /tmp plays sandboxed as anywhere else, and sees none of the
// rest of /tmp.
TEST_F(Hostile, PlayersKeptInTmpStillRun) {
    const std::string bin = dir_ + "/bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(FAKE_PLAYER, bin + "/fake_player");
    const std::string hidden = std::filesystem::temp_directory_path() /
                               ("referee_test_hidden_" + std::to_string(::getpid()));
    referee_test::write_file(hidden, "not for players\n");
    // No --player-dir: nothing of /tmp is granted.
    const std::string black =
        referee_test::command(bin + "/fake_player", {"--hostile", "write", hidden});
    const RefereeRun run =
        referee_test::run_referee(REFEREE, {"--quiet", "--rules", "squares", "--plies", "6", black,
                                            referee_test::command(bin + "/fake_player", {})});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kDraw);
    EXPECT_EQ(referee_test::read_file(hidden), "not for players\n");
    std::filesystem::remove(hidden);
}

TEST_F(Hostile, SandboxedPlayerHasNoTerminal) {
    // The referee on a pseudo-terminal of its own, as a person runs it.
    const std::string inner = referee_test::command(
        REFEREE,
        {"--quiet", "--player-dir", dir_, "--rules", "squares", "--plies", "6", "--log",
         out_ + "/game.log", fake("black", {"--hostile", "tty", "HOSTILE-TTY"}), fake("white")});
    test_support::RunOptions options;
    options.deadline = std::chrono::seconds(30);
    const RefereeRun run =
        test_support::run_process({"script", "-qec", inner, "/dev/null"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1/2-1/2 {the ply limit was reached: 6 plies}"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("HOSTILE-TTY"), std::string::npos) << run.out;
    EXPECT_NE(said().find("black fake_player stderr: no terminal: No such device or address"),
              std::string::npos)
        << said();
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
}

// Zombie children of `parent`, as /proc shows them now.
int zombie_children(pid_t parent) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string stat = referee_test::read_file(entry.path().string() + "/stat");
        const auto close = stat.rfind(')');
        char state = '?';
        long ppid = 0;
        if (close != std::string::npos &&
            std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && state == 'Z' &&
            ppid == parent) {
            ++count;
        }
    }
    return count;
}

// Waits, a bounded while, for `done`; false when it did not come.
template <typename Check>
bool within(std::chrono::milliseconds bound, Check done) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        ::usleep(2000);
    }
    return true;
}

// The process cases hold with the sandbox and without it.
class Leftovers : public referee_test::FakeGame, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (std::string(GetParam()) == "on" && !referee_test::sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
    }
    RefereeRun play(const std::string& black, const std::string& white,
                    std::vector<std::string> options, test_support::RunOptions run = {}) {
        options.insert(options.end(), {"--sandbox", GetParam()});
        return FakeGame::play(black, white, std::move(options), "squares", std::move(run));
    }
};

TEST_P(Leftovers, DaemonWithoutEnvironmentEndsWithItsGame) {
    const std::string daemon_mark = family() + ".daemon";
    const std::string starts = dir_ + "/starts.txt";
    // The first player starts the daemon in the first game only; the other
    // reports each start, and plays slowly enough for a check mid-game.
    const std::string spawner =
        fake("a", {"--spawn", "bare-daemon", "--spawn-once", dir_ + "/once", "--family", family()});
    const std::string slow = fake("b", {"--family", starts, "--delay-ms", "30"});
    bool gone_in_game_two = false;
    test_support::RunOptions options;
    options.started = [&](pid_t) {
        // Game 2 has started once the slow player has started twice.
        if (!within(std::chrono::seconds(20),
                    [&] { return referee_test::read_pids(starts).size() >= 2; }))
            return;
        gone_in_game_two = within(std::chrono::seconds(1), [&] {
            return referee_test::processes_mentioning(daemon_mark) == 0;
        });
    };
    const RefereeRun run =
        play(spawner, slow, {"--games", "2", "--plies", "30", "--no-repetition"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Finished game 2"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(daemon_mark)) << "the daemon never ran";
    EXPECT_TRUE(gone_in_game_two);
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);

    // Games side by side: each ends its own daemon.
    std::filesystem::remove(daemon_mark);
    std::filesystem::remove(dir_ + "/once");
    const RefereeRun side_by_side =
        play(spawner, slow, {"--games", "4", "--concurrency", "2", "--plies", "30"});
    EXPECT_EQ(side_by_side.status, 0) << side_by_side.err;
    EXPECT_TRUE(std::filesystem::exists(daemon_mark));
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
}

TEST_P(Leftovers, OrphanChainLeavesNoZombies) {
    constexpr std::size_t kChain = 40;
    int zombies_after_a_second = -1;
    test_support::RunOptions options;
    options.started = [&](pid_t referee) {
        // The player joins the family, then each link of the chain.
        if (!within(std::chrono::seconds(20),
                    [&] { return referee_test::read_pids(family()).size() > kChain; }))
            return;
        within(std::chrono::seconds(1), [&] { return zombie_children(referee) == 0; });
        zombies_after_a_second = zombie_children(referee);
    };
    const RefereeRun run =
        play(fake("black", {"--spawn", "orphans", "--chain", std::to_string(kChain), "--family",
                            family(), "--delay-ms", "100"}),
             fake("white"), {"--plies", "40", "--no-repetition"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("{the ply limit was reached: 40 plies}"), std::string::npos) << run.out;
    EXPECT_EQ(zombies_after_a_second, 0);
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
}

INSTANTIATE_TEST_SUITE_P(Sandbox, Leftovers, ::testing::Values("on", "off"));

}  // namespace
