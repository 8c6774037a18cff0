// Players that attack the referee, the opponent, the terminal, the files and
// the network, or leave processes and zombies behind. Each attack touches
// only processes that carry this test's mark (its scratch folder on their
// command line) and is bounded to a few dozen processes and seconds.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake_game.h"
#include "own_cgroups.h"
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

constexpr uid_t kNobody = 65534;

// The test's own group in each hierarchy the referee uses, as a directory.
std::vector<std::string> own_group_dirs() {
    std::vector<std::string> dirs;
    for (const auto& group : referee_test::own_cgroups()) {
        for (const char* wanted : {"", "memory", "cpu", "cpuacct", "freezer", "pids"}) {
            if (group.controllers == wanted)
                dirs.push_back(group.dir);
        }
    }
    return dirs;
}

// Control groups as root hands them to an ordinary user (as systemd's
// delegation does): a group in each hierarchy, its directory and files the
// user's, for the referee to make its players' groups in.
struct Delegation {
    std::vector<std::string> dirs;
    // Words that join the delegated groups, then become the referee (same
    // pid) under the user's uid; before make(), only the latter.
    std::vector<std::string> as_nobody{
        "sh", "-c", "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$@\"", "sh"};

    void make(const std::vector<std::string>& parents) {
        std::string join;
        for (const auto& parent : parents) {
            const std::string dir = parent + "/referee_test_" + std::to_string(::getpid());
            ASSERT_TRUE(::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST) << dir;
            ASSERT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
            for (const auto& file : std::filesystem::directory_iterator(dir))
                ASSERT_EQ(::chown(file.path().c_str(), kNobody, kNobody), 0);
            dirs.push_back(dir);
            join += "echo $$ > '" + dir + "/cgroup.procs' && ";
        }
        as_nobody[2] = join + as_nobody[2];
    }

    // The groups, and below them the leaf a v2 referee moves itself into
    // (it cannot remove the group it is in).
    void remove() {
        for (const auto& dir : dirs) {
            std::vector<std::string> below;
            if (std::filesystem::exists(dir)) {
                for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
                    if (entry.is_directory())
                        below.push_back(entry.path().string());
                }
            }
            for (auto it = below.rbegin(); it != below.rend(); ++it)
                ::rmdir(it->c_str());
            ::rmdir(dir.c_str());
        }
        dirs.clear();
    }
};

// The referee as root, as CI and the contest machines run it, and as an
// ordinary user (nobody, through setpriv): the sandbox must hold either way.
class Confined : public referee_test::FakeGame, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (!referee_test::sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
        if (::geteuid() != 0)
            GTEST_SKIP() << "run as root, to run the referee both as root and as nobody";
        // The opponent in a folder of its own, outside every --player-dir.
        opponent_ = referee_test::scratch_dir(std::string(name()) + "_opponent");
        if (unprivileged()) {
            if (std::system("setpriv --version > /dev/null 2>&1") != 0)
                GTEST_SKIP() << "setpriv (util-linux) is missing";
            // The checkout may lie where nobody cannot reach.
            referee_ = referee_test::public_copy(REFEREE);
            fake_player_ = referee_test::public_copy(FAKE_PLAYER);
        }
        std::filesystem::copy_file(fake_player_, opponent_ + "/fake_player");
        if (unprivileged()) {
            ASSERT_EQ(::chown(out_.c_str(), kNobody, kNobody), 0);
            // The groups a user is handed, so that every guarantee holds.
            delegation_.make(own_group_dirs());
            const RefereeRun probe = referee({"--plies", "2", fake("black"), fake("white")});
            if (probe.status == 3)
                GTEST_SKIP() << "an ordinary user cannot sandbox players here: " << probe.err;
        }
    }
    void TearDown() override {
        delegation_.remove();
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
            argv = delegation_.as_nobody;
        argv.insert(argv.end(), {"env", std::string(kSecretVariable) + "=hunter2", referee_});
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
    std::string referee_ = REFEREE;
    std::string opponent_;
    Delegation delegation_;
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
    const std::string players = std::filesystem::path(fake_player_).parent_path().string();
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

#if defined(__x86_64__)
// Whether this kernel answers an i386 call (int 0x80) at all: getpid in a
// child, which dies of SIGSEGV where they are turned off.
bool i386_calls_work() {
    const pid_t child = ::fork();
    if (child == 0) {
        // Die of the signal itself, not through a sanitizer's handler
        // reporting a crash.
        ::signal(SIGSEGV, SIG_DFL);
        long result = 20;  // getpid in the i386 table
        asm volatile("int $0x80" : "+a"(result) : : "memory");
        ::_exit(result > 0 ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
#endif

// Pid 1 of the sandbox is bwrap's, the player's user id's too, and runs
// without the filter: no call reaches it or its descriptors, in any ABI,
// whether its pid is given plainly or with high bits the kernel ignores. The
// same calls on the player's own child answer as the kernel does, so each
// form does reach the kernel as that pid.
TEST_P(Confined, PidOneIsOutOfReachHoweverItIsNamed) {
    const std::string refused =
        "pid 1: ptrace EPERM, process_vm_readv EPERM, process_vm_writev EPERM, kcmp EPERM, "
        "pidfd_open EPERM, pidfd_getfd EPERM, name_to_handle_at EOPNOTSUPP, open_by_handle_at "
        "EPERM; own child: ";
    std::vector<std::string> abis{"x86-64"};
    bool x32 = false;
#if defined(__x86_64__)
    abis.emplace_back("x32");
    // Where the kernel has no x32 calls, they pass the filter and fail.
    x32 = ::syscall(0x40000000 + SYS_getpid) >= 0;
    // A kernel with its i386 calls turned off kills whoever makes one, in
    // the sandbox or not: nothing to get past there.
    if (i386_calls_work())
        abis.emplace_back("i386");
#endif
    for (const auto& abi : abis) {
        const std::string own =
            abi == "x32" && !x32 ? "ptrace ENOSYS, pidfd_open ENOSYS" : "ptrace ok, pidfd_open ok";
        for (const char* high : {"0", "0x100000000", "0xffffffff00000000"}) {
            SCOPED_TRACE(abi + " " + high);
            const RefereeRun run = attack("pid-one", abi + ":" + high);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, kDraw);
            EXPECT_EQ(report(), refused + own);
            EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
        }
    }
}

// What a sandboxed player sees of the machine, and of its environment.
TEST_P(Confined, PlayerSeesItsFolderTheSystemAndACleanEnvironment) {
    const std::string players = std::filesystem::path(fake_player_).parent_path().string();
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
    // Nor may the players' logs, which go into folders of their own under
    // the one given: neither inside what a player sees nor around it.
    for (const std::string& logs :
         {dir_ + "/logs", std::filesystem::path(opponent_).parent_path().string()}) {
        run = referee(
            {"--quiet", "--player-dir", dir_, "--player-logs", logs, fake("black"), opponent()});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("--player-logs \"" + logs + "\" and "), std::string::npos)
            << run.err;
    }

    if (unprivileged())
        GTEST_SKIP() << "an ordinary user's referee runs its players as itself";
    // A folder of its own closed to others is shown to it; a program that
    // only its owner may read is not.
    std::filesystem::permissions(opponent_ + "/fake_player", std::filesystem::perms::owner_all);
    run = referee({"--player-dir", dir_, "--quiet", fake("black"), opponent()});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("cannot be played under its own user id: " + opponent_ +
                           "/fake_player: Permission denied (as user id "),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/black.pid"));
}

// A folder closed to every other user, as root's home or mktemp -d: as
// its owner (root or nobody) made it, players kept there play, with the
// sandbox and without, each seeing its own files only.
TEST_P(Confined, PlayersInAPrivateFolderPlayAndSeeTheirOwnFilesOnly) {
    namespace fs = std::filesystem;
    const uid_t owner = unprivileged() ? kNobody : 0;
    const auto private_folder = [&](const std::string& suffix) {
        std::string home = referee_test::scratch_dir(std::string(name()) + suffix);
        fs::create_directories(home + "/bin");
        fs::copy_file(fake_player_, home + "/bin/fake_player");
        EXPECT_EQ(::chown(home.c_str(), owner, owner), 0);
        fs::permissions(home, fs::perms::owner_all);
        return home;
    };
    const std::string home = private_folder("_home");
    const std::string rival = private_folder("_rival");
    referee_test::write_file(home + "/bin/data.txt", "the bot's own\n");
    referee_test::write_file(home + "/bin/secret", "root's\n");
    fs::permissions(home + "/bin/secret", fs::perms::owner_read | fs::perms::owner_write);
    const std::string white =
        referee_test::command(rival + "/bin/fake_player", {"--pidfile", dir_ + "/white.pid"});
    struct Case {
        std::string target, sandboxed, unsandboxed;
    };
    // Named by a link, which the check before the game does not follow.
    fs::create_symlink(home + "/bin/secret", dir_ + "/secret");
    const std::string denied = "cannot read: Permission denied";
    const Case cases[] = {
        {home + "/bin/data.txt", "read " + home + "/bin/data.txt",
         "read " + home + "/bin/data.txt"},
        {dir_ + "/secret", denied, denied},
        // An ordinary user's players are that user: only the sandbox parts them.
        {rival + "/bin/fake_player", "cannot read: No such file or directory",
         unprivileged() ? "read " + rival + "/bin/fake_player" : denied},
    };
    for (const char* sandbox : {"on", "off"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(sandbox) + " " + c.target);
            fs::remove(out_ + "/game.log");
            const RefereeRun run =
                referee({"--sandbox", sandbox, "--quiet", "--player-dir", dir_, "--rules",
                         "squares", "--plies", "6", "--log", out_ + "/game.log",
                         referee_test::command(
                             home + "/bin/fake_player",
                             {"--hostile", "read", c.target, "--pidfile", dir_ + "/black.pid"}),
                         white});
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, kDraw);
            EXPECT_EQ(report(), std::string(sandbox) == "on" ? c.sandboxed : c.unsandboxed);
            const bool named = run.err.find("players run as their own users; " + home + "/bin") !=
                               std::string::npos;
            EXPECT_EQ(named, !unprivileged()) << run.err;
            EXPECT_EQ(referee_test::processes_mentioning(home), 0);
        }
    }
    // The mounts lived in the players' starts only.
    EXPECT_EQ(referee_test::read_file("/proc/self/mountinfo").find(home), std::string::npos);
    fs::remove_all(home);
    fs::remove_all(rival);
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
        options.insert(options.end(), {"--sandbox", referee_test::sandbox_word(GetParam())});
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
    // --ponder: the daemon is in its player's groups, and a frozen player's
    // daemon might not get to write its mark before the game is over.
    const RefereeRun run = play(
        spawner, slow, {"--games", "2", "--plies", "30", "--no-repetition", "--ponder"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Finished game 2"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(daemon_mark)) << "the daemon never ran";
    EXPECT_TRUE(gone_in_game_two);
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);

    // Games side by side: each ends its own daemon.
    std::filesystem::remove(daemon_mark);
    std::filesystem::remove(dir_ + "/once");
    const RefereeRun side_by_side =
        play(spawner, slow, {"--games", "4", "--concurrency", "2", "--plies", "30", "--ponder"});
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

namespace {

// How the referee runs in the bound cases: as root (as CI does), as an
// ordinary user inside control groups an organiser made and handed to it,
// and as an ordinary user without any.
enum class RunAs { Root, Delegated, Plain };

// Groups whose names start with `prefix` below `dir`. Other tests make and
// remove groups in the same hierarchies meanwhile: a folder that vanishes
// while it is read holds none of ours, and its listing just ends.
int groups_below(const std::filesystem::path& dir, const std::string& prefix) {
    int found = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code gone;
        if (!it->is_directory(gone) || it->is_symlink(gone))
            continue;
        found += it->path().filename().string().rfind(prefix, 0) == 0 ? 1 : 0;
        found += groups_below(it->path(), prefix);
    }
    return found;
}

// Groups named after the referee with this pid left anywhere below `dirs`.
int groups_left(const std::vector<std::string>& dirs, pid_t referee) {
    const std::string prefix = "referee-" + std::to_string(referee) + "-";
    int left = 0;
    for (const auto& dir : dirs)
        left += groups_below(dir, prefix);
    return left;
}

class Bounds : public referee_test::FakeGame, public ::testing::WithParamInterface<RunAs> {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "the bound cases set up users and groups as root";
        std::filesystem::permissions(dir_, std::filesystem::perms::all);
        std::filesystem::permissions(out_, std::filesystem::perms::all);
        parents_ = own_group_dirs();
        if (GetParam() == RunAs::Delegated)
            delegate();
        // The checkout may lie where nobody cannot reach.
        if (GetParam() != RunAs::Root) {
            referee_bin_ = referee_test::public_copy(REFEREE);
            fake_player_ = referee_test::public_copy(FAKE_PLAYER);
        }
    }
    void TearDown() override {
        delegation_.remove();
        FakeGame::TearDown();
    }

    void delegate() {
        delegation_.make(parents_);
        parents_ = delegation_.dirs;
    }

    // The referee with `options`, as GetParam() says; `referee_` is its pid.
    RefereeRun play_bounded(const std::string& black, const std::string& white,
                            std::vector<std::string> options) {
        if (std::find(options.begin(), options.end(), "--plies") == options.end())
            options.insert(options.end(), {"--plies", "6"});
        options.insert(options.end(), {"--quiet", "--player-dir", dir_, "--rules", "squares",
                                       "--log", out_ + "/game.log", black, white});
        std::vector<std::string> argv{referee_bin_};
        argv.insert(argv.end(), options.begin(), options.end());
        if (GetParam() != RunAs::Root)
            argv.insert(argv.begin(), delegation_.as_nobody.begin(), delegation_.as_nobody.end());
        test_support::RunOptions run;
        run.deadline = std::chrono::seconds(60);
        run.started = [this](pid_t pid) { referee_ = pid; };
        return test_support::run_process(argv, run);
    }

    // Nothing of the game is left: no process, no group.
    void expect_nothing_left() {
        EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
        EXPECT_EQ(groups_left(parents_, referee_), 0);
    }
    std::string said() const { return referee_test::read_file(out_ + "/game.log"); }
    bool bounded() const { return GetParam() != RunAs::Plain; }

    std::vector<std::string> parents_;
    Delegation delegation_;
    pid_t referee_ = 0;
    std::string referee_bin_ = REFEREE;
};

constexpr const char* kMemoryLoss =
    "Finished game 1 (fake_player vs fake_player): 0-1 {black exceeded its memory limit "
    "(200 MB)}\n";

TEST_P(Bounds, MemoryCountsEveryProcessAndTmpTogether) {
    struct Case {
        std::vector<std::string> hog;
        std::string sandbox;
        std::string unbounded;  // what the hog achieves with RLIMIT_AS alone
    };
    const Case cases[] = {
        {{"--hog", "children", "3x120"}, "off", "held 3 of 3"},
        {{"--hog", "children", "3x120"}, "auto", "held 3 of 3"},
        // The private /tmp holds 256 MB: past the group's bound, not past
        // its own.
        {{"--hog", "tmp", "300"}, "auto", "wrote 25"},
    };
#ifdef __SANITIZE_ADDRESS__
    // A sanitized player reserves terabytes of address space at start and
    // cannot run under the per-process bound the referee falls back on.
    if (!bounded())
        GTEST_SKIP() << "without a memory group a sanitized player cannot start";
#endif
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hog[1] + " " + c.sandbox);
        if (c.sandbox == "auto" && !referee_test::sandbox_works())
            continue;
        const RefereeRun run = play_bounded(fake("black", c.hog), fake("white"),
                                            {"--player-memory", "200", "--sandbox", c.sandbox});
        EXPECT_EQ(run.status, 0) << run.err;
        if (bounded()) {
            EXPECT_EQ(run.out, kMemoryLoss) << said();
            EXPECT_EQ(referee_test::without_reveal_notice(run.err), "");
        } else {
            EXPECT_EQ(run.out, kDraw);
            EXPECT_NE(said().find("black fake_player stderr: " + c.unbounded), std::string::npos)
                << said();
            if (c.sandbox != "off") {
                EXPECT_NE(run.err.find("memory bounded per process only"), std::string::npos)
                    << run.err;
            }
        }
        expect_nothing_left();
    }
}

TEST_P(Bounds, SandboxOnRefusesWhatCannotBeBounded) {
    if (!referee_test::sandbox_works())
        GTEST_SKIP() << "bwrap does not work here";
    const RefereeRun run =
        play_bounded(fake("black"), fake("white"), {"--player-memory", "200", "--sandbox", "on"});
    if (bounded()) {
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kDraw);
    } else {
        EXPECT_EQ(run.status, 3);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "referee: --sandbox on, but players are not isolated here: memory bounded per "
                  "process only; no CPU quota; no freezing; no process bound\n");
    }
    expect_nothing_left();
}

TEST_P(Bounds, PlayerCannotLeaveOrRaiseItsGroups) {
    if (!referee_test::sandbox_works())
        GTEST_SKIP() << "bwrap does not work here";
    const RefereeRun run =
        play_bounded(fake("black", {"--hog", "escape", "-"}), fake("white"), {"--sandbox", "on"});
    EXPECT_EQ(run.status, bounded() ? 0 : 3) << run.err;
    if (bounded()) {
        EXPECT_EQ(run.out, kDraw);
        EXPECT_NE(said().find("moved 0 raised 0"), std::string::npos) << said();
    }
    expect_nothing_left();
}

// A JVM reserves far more address space than it uses: under a bound of the
// group's memory it starts, where RLIMIT_AS at the same size stopped it.
TEST_P(Bounds, JavaPlaysUnderTheUsualBound) {
    if (std::system("java -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no JDK installed";
    if (!bounded())
        GTEST_SKIP() << "without a memory group the bound is per process";
    const std::string source = dir_ + "/Bot.java";
    referee_test::write_file(source, R"(
import java.io.*;
public class Bot {
    public static void main(String[] args) throws IOException {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in));
        String[] header = in.readLine().split(" ");
        boolean black = header[0].equals("1");
        int rows = Integer.parseInt(header[1]);
        int x = black ? 0 : 1, home = black ? rows - 3 : 2, away = black ? rows - 4 : 3;
        if (!black && in.readLine() == null) return;
        for (int k = 0;; ++k) {
            int from = k % 2 == 0 ? home : away, to = k % 2 == 0 ? away : home;
            System.out.println("S " + x + " " + from + " M " + x + " " + to);
            System.out.flush();
            if (in.readLine() == null) return;
        }
    }
})");
    const RefereeRun run =
        play_bounded("java " + source, fake("white"), {"--player-memory", "256", "--time", "30"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Finished game 1 (Bot.java vs fake_player): 1/2-1/2 {the ply limit was "
              "reached: 6 plies}\n")
        << said();
    expect_nothing_left();
}

// Seconds charged to black's moves in a record.
std::vector<double> black_move_seconds(const std::string& record) {
    std::vector<double> seconds;
    std::istringstream lines(record);
    std::string line;
    bool black = true;
    while (std::getline(lines, line)) {
        const auto open = line.find(" {");
        if (line.rfind("S ", 0) != 0 || open == std::string::npos)
            continue;
        if (black)
            seconds.push_back(std::stod(line.substr(open + 2)));
        black = !black;
    }
    return seconds;
}

// Busy processes in sessions of their own, in the opponent, against a
// victim that spends the same CPU (40 ms) on every move. Without the
// sandbox, so that the victim can see the busy processes' CPU use.
class BusyOpponent : public Bounds {
  protected:
    RefereeRun play_against_busy(std::vector<std::string> victim,
                                 std::vector<std::string> options) {
        options.insert(options.end(), {"--sandbox", "off", "--plies", "12", "--no-repetition",
                                       "--record", dir_ + "/game.txt"});
        victim.insert(victim.end(), {"--work-ms", "40"});
        return play_bounded(fake("victim", victim), fake("busy", {"--hog", "busy", "4"}, true),
                            options);
    }
    // The CPU seconds the victim said it had used before each move.
    std::vector<double> victim_cpu_seconds() const {
        std::vector<double> used;
        const std::string log = said();
        const std::string line = "black fake_player stderr: cpu ";
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
            used.push_back(std::stod(log.substr(at + line.size())) / 1e6);
        return used;
    }
    // The last "watched N ticks" the victim said.
    long watched_ticks() const {
        const std::string log = said();
        const auto at = log.rfind("watched ");
        return at == std::string::npos ? -1 : std::stol(log.substr(at + 8));
    }
};

TEST_P(BusyOpponent, CpuClockChargesTheVictimOnlyItsOwnCpu) {
    const RefereeRun run = play_against_busy({}, {"--clock", "cpu", "--ponder"});
    if (!bounded()) {
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.err.find("--clock cpu, but no control group can count"), std::string::npos)
            << run.err;
        return;
    }
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("{the ply limit was reached: 12 plies}"), std::string::npos) << run.out;
    const auto seconds = black_move_seconds(referee_test::read_file(dir_ + "/game.txt"));
    const auto used = victim_cpu_seconds();
    ASSERT_EQ(seconds.size(), 6U);
    ASSERT_EQ(used.size(), 6U) << said();
    for (std::size_t move = 0; move < seconds.size(); ++move) {
        SCOPED_TRACE("black's move " + std::to_string(move + 1));
        // At least the 40 ms it spent after reading its line, and no more
        // than the kernel counted for it since it last moved: none of the
        // opponent's, and none of the time it waited for a core. The
        // record rounds to the millisecond; reading and writing a line
        // outside the victim's own count takes a few microseconds.
        EXPECT_GE(seconds[move], 0.040);
        EXPECT_LE(seconds[move], used[move] - (move == 0 ? 0.0 : used[move - 1]) + 0.001);
    }
    expect_nothing_left();
}

TEST_P(BusyOpponent, WaitingSideIsFrozenUnlessItMayPonder) {
    const std::vector<std::string> watching{"--watch", family()};
    RefereeRun run = play_against_busy(watching, {});
    EXPECT_EQ(run.status, 0) << run.err;
    if (bounded())
        EXPECT_EQ(watched_ticks(), 0) << said();
    else
        EXPECT_GT(watched_ticks(), 0) << said();
    expect_nothing_left();

    std::filesystem::remove(family());
    run = play_against_busy(watching, {"--ponder"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_GT(watched_ticks(), 0) << said();
    expect_nothing_left();
}

INSTANTIATE_TEST_SUITE_P(Referee, Bounds,
                         ::testing::Values(RunAs::Root, RunAs::Delegated, RunAs::Plain));
INSTANTIATE_TEST_SUITE_P(Referee, BusyOpponent,
                         ::testing::Values(RunAs::Root, RunAs::Delegated, RunAs::Plain));

}  // namespace
