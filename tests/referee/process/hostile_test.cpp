// Players that attack the referee, the opponent, the terminal, the files and
// the network, or leave processes and zombies behind. Each attack touches
// only processes that carry this test's mark (its scratch folder on their
// command line) and is bounded to a few dozen processes and seconds.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

// The referee as root, as CI and the contest machines run it, and as an
// ordinary user (nobody, through setpriv): the sandbox must hold either way.
class Confined : public referee_test::FakeGame, public ::testing::WithParamInterface<const char*> {
  protected:
    static constexpr uid_t kNobody = 65534;

    void SetUp() override {
        FakeGame::SetUp();
        if (!referee_test::sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
        if (::geteuid() != 0)
            GTEST_SKIP() << "run as root, to run the referee both as root and as nobody";
        // The opponent in a folder of its own, outside every --player-dir.
        opponent_ = referee_test::scratch_dir(std::string(name()) + "_opponent");
        std::filesystem::copy_file(FAKE_PLAYER, opponent_ + "/fake_player");
        if (unprivileged()) {
            if (std::system("setpriv --version > /dev/null 2>&1") != 0)
                GTEST_SKIP() << "setpriv (util-linux) is missing";
            ASSERT_EQ(::chown(out_.c_str(), kNobody, kNobody), 0);
            const RefereeRun probe = referee({"--plies", "2", fake("black"), fake("white")});
            if (probe.status == 3)
                GTEST_SKIP() << "an ordinary user cannot sandbox players here: " << probe.err;
        }
    }
    void TearDown() override {
        std::filesystem::remove_all(opponent_);
        FakeGame::TearDown();
    }
    static const char* name() {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    bool unprivileged() const { return std::string(GetParam()) == "nobody"; }

    // The referee with a secret in its environment, --sandbox on unless
    // the arguments say otherwise.
    RefereeRun referee(const std::vector<std::string>& args) {
        std::vector<std::string> argv;
        if (unprivileged())
            argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        argv.insert(argv.end(), {"env", std::string(kSecretVariable) + "=hunter2", REFEREE});
        if (std::find(args.begin(), args.end(), "--sandbox") == args.end())
            argv.insert(argv.end(), {"--sandbox", "on"});
        argv.insert(argv.end(), args.begin(), args.end());
        test_support::RunOptions options;
        options.deadline = std::chrono::seconds(30);
        return test_support::run_process(argv, options);
    }
    std::string opponent() const {
        return referee_test::command(opponent_ + "/fake_player",
                                     {"--pidfile", dir_ + "/white.pid"});
    }
    // Black attacks right after the header, then both play six plies; the
    // log is outside everything a player sees.
    RefereeRun attack(const std::string& kind, const std::string& target,
                      std::vector<std::string> options = {}) {
        // Made anew by each run: a player may aim at the live log.
        std::filesystem::remove(out_ + "/game.log");
        options.insert(options.end(), {"--quiet", "--player-dir", dir_, "--rules", "squares",
                                       "--plies", "6", "--log", out_ + "/game.log",
                                       fake("black", {"--hostile", kind, target}), opponent()});
        return referee(options);
    }
    // What the attacker reported.
    std::string report() const {
        const std::string log = referee_test::read_file(out_ + "/game.log");
        const std::string prefix = "black fake_player stderr: ";
        const auto at = log.find(prefix);
        if (at == std::string::npos)
            return "no report in the log:\n" + log;
        const auto start = at + prefix.size();
        return log.substr(start, log.find('\n', start) - start);
    }

    static constexpr const char* kSecretVariable = "REFEREE_TEST_SECRET";
    std::string opponent_;
};

// A process of the test's own that the attacker must not see; ended when
// the test is.
class MarkedProcess {
  public:
    explicit MarkedProcess(const std::string& mark) : pid_(::fork()) {
        if (pid_ == 0) {
            ::execl("/bin/sh", "sh", "-c", "sleep 30", mark.c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~MarkedProcess() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    MarkedProcess(const MarkedProcess&) = delete;
    MarkedProcess& operator=(const MarkedProcess&) = delete;

  private:
    pid_t pid_;
};

// The names in a folder, sorted: what a folder held before and after.
std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(Confined, AttacksOnTheMachineTheRefereeAndTheOpponentFail) {
    const std::string players = std::filesystem::path(FAKE_PLAYER).parent_path().string();
    const std::string mark = "hostile_" + std::to_string(::getpid());
    const std::string outside = (std::filesystem::current_path() / mark).string();
    const std::string setting = "/proc/sys/kernel/printk_ratelimit";
    const std::string setting_before = referee_test::read_file(setting);
    const MarkedProcess host_process(dir_ + "/host-process");
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    const auto players_before = listing(players);
    const auto opponent_before = listing(opponent_);
    struct Case {
        std::string kind;
        std::string target;
        std::string report;  // what the attacker must report
    };
    const std::string refused = "Operation not permitted";
    const std::string unseen = "cannot read: No such file or directory";
    const Case cases[] = {
        // The marked processes it can see are its own sandbox's.
        {"kill", dir_, "signalled "},
        {"stop", dir_, "signalled "},
        {"term-parent", "-", "parent"},
        {"write", outside, "cannot write: "},
        {"connect", port, "cannot connect: "},
        {"remount", players + "/" + mark,
         "cannot remount: " + refused + "; cannot write: Read-only file system"},
        {"setting", setting, "cannot write the setting: "},
        {"unmount-proc", dir_ + "/host-process", "cannot unmount /proc: " + refused + "; sees 0"},
        {"device", dir_ + "/null", "cannot make a device: " + refused},
        {"io-uring", "-", "no io_uring: " + refused},
        {"namespace", "-", "no namespace: " + refused},
        // pid 1 is bwrap's, the one process of its sandbox that is not its own.
        {"trace", "1", "cannot trace: " + refused},
        {"read", "/etc/shadow", unseen},
        {"read", "/root", unseen},
        {"read", opponent_ + "/fake_player", unseen},
        {"read", out_ + "/game.log", unseen},
        {"read", out_, unseen},
        {"variable", kSecretVariable, std::string("no ") + kSecretVariable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind + " " + c.target);
        const RefereeRun run = attack(c.kind, c.target);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kDraw);
        EXPECT_EQ(report().rfind(c.report, 0), 0U) << report();
        EXPECT_EQ(referee_test::processes_mentioning(dir_ + "/"), 1);  // the host's own
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/null"));
    EXPECT_EQ(listing(players), players_before);
    EXPECT_EQ(listing(opponent_), opponent_before);
    EXPECT_EQ(listing(out_), std::vector<std::string>{"game.log"});
    EXPECT_EQ(referee_test::read_file(setting), setting_before);
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0);  // nobody came
    ::close(listener);
}

// What a sandboxed player sees of the machine, and of its environment.
TEST_P(Confined, PlayerSeesItsFolderTheSystemAndACleanEnvironment) {
    const std::string players = std::filesystem::path(FAKE_PLAYER).parent_path().string();
    const std::string visible = "/usr/bin/env:/bin:/etc/passwd:/etc/ld.so.cache:" + players +
                                ":/proc/self/status:/dev/null:/dev/shm:/tmp";
    const std::string hidden = "/etc/shadow:/home:/root:/sys:/run:/var:/proc/1/status:" + out_ +
                               ":" + opponent_ + ":/tmp/" +
                               std::filesystem::path(out_).filename().string();
    RefereeRun run = attack("see", visible + ":" + hidden);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string expected = "sees " + visible;
    std::replace(expected.begin(), expected.end(), ':', ' ');
    EXPECT_EQ(report(), expected);

    // A path granted with --player-see is shown, read-only.
    run = attack("remount", opponent_ + "/" + "written", {"--player-see", opponent_});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(report(),
              "cannot remount: Operation not permitted; cannot write: Read-only file system");
    run = attack("read", opponent_ + "/fake_player", {"--player-see", opponent_});
    EXPECT_EQ(report(), "read " + opponent_ + "/fake_player");

    // The same variables with the sandbox and without: the organiser's
    // environment does not decide games.
    for (const char* sandbox : {"on", "off"}) {
        SCOPED_TRACE(sandbox);
        run = attack(
            "environment", "-",
            {"--sandbox", sandbox, "--player-env", "SHOWN=yes", "--player-env", kSecretVariable});
        EXPECT_EQ(run.status, 0) << run.err;
        // bwrap adds PWD, the player's working directory.
        std::string environment = report();
        const auto pwd = environment.find(" PWD=");
        if (pwd != std::string::npos && std::string(sandbox) == "on")
            environment.erase(pwd, environment.find(' ', pwd + 1) - pwd);
        EXPECT_EQ(environment.rfind("environment HOME=/tmp LANG=C.UTF-8 LC_ALL=C.UTF-8 "
                                    "PATH=/usr/local/bin:/usr/bin:/bin REFEREE_GAME=",
                                    0),
                  0U)
            << environment;
        const std::string tail =
            std::string(" ") + kSecretVariable + "=hunter2 SHOWN=yes TMPDIR=/tmp";
        EXPECT_EQ(
            environment.substr(environment.size() - std::min(environment.size(), tail.size())),
            tail);
    }
}

// Refused before any game, with the reason: a player whose files its user
// id cannot read, and a referee file that a player would see.
TEST_P(Confined, RunsThatWouldExposeOrFailAPlayerAreRefused) {
    RefereeRun run = referee(
        {"--quiet", "--player-dir", dir_, "--log", dir_ + "/game.log", fake("black"), opponent()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--log \"" + dir_ + "/game.log\" lies in --player-dir (" + dir_ +
                           "), which players see: write it elsewhere"),
              std::string::npos)
        << run.err;
    run = referee({"--quiet", "--record", opponent_ + "/game.txt", fake("black"), opponent()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("lies in the folder of "), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(opponent_ + "/game.txt"));

    if (unprivileged())
        GTEST_SKIP() << "an ordinary user's referee runs its players as itself";
    std::filesystem::permissions(opponent_, std::filesystem::perms::owner_all);
    run = referee({"--player-dir", dir_, "--quiet", fake("black"), opponent()});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("cannot be played under its own user id: " + opponent_ +
                           "/fake_player: Permission denied (as user id "),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/black.pid"));
}

INSTANTIATE_TEST_SUITE_P(As, Confined, ::testing::Values("root", "nobody"));

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
        // Until the daemon is gone or game 2 is over. Gone first, then game
        // 2 still on: it went while game 2 was played.
        const auto gone = [&] { return referee_test::processes_mentioning(daemon_mark) == 0; };
        const auto game_two_on = [&] { return referee_test::processes_mentioning(starts) > 0; };
        within(std::chrono::seconds(20), [&] { return gone() || !game_two_on(); });
        gone_in_game_two = gone() && game_two_on();
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
    int zombies_while_playing = -1;
    test_support::RunOptions options;
    options.started = [&](pid_t referee) {
        // The player joins the family, then each link of the chain.
        if (!within(std::chrono::seconds(20),
                    [&] { return referee_test::read_pids(family()).size() > kChain; }))
            return;
        // Until no zombie is left or the game is over: none left while the
        // chain's player still plays.
        const auto playing = [&] { return referee_test::processes_mentioning(family()) > 0; };
        within(std::chrono::seconds(20),
               [&] { return zombie_children(referee) == 0 || !playing(); });
        const int zombies = zombie_children(referee);
        if (playing())
            zombies_while_playing = zombies;
    };
    const RefereeRun run =
        play(fake("black", {"--spawn", "orphans", "--chain", std::to_string(kChain), "--family",
                            family(), "--delay-ms", "100"}),
             fake("white"), {"--plies", "40", "--no-repetition"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("{the ply limit was reached: 40 plies}"), std::string::npos) << run.out;
    EXPECT_EQ(zombies_while_playing, 0);
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
}

INSTANTIATE_TEST_SUITE_P(Sandbox, Leftovers, ::testing::Values("on", "off"));

}  // namespace
