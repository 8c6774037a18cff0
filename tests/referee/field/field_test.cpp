// A field of submissions made here, in the languages a course's students
// write in, with a build that fails and one that takes too long, and
// players given as commands beside it: the run as root (players under ids
// of their own) and as an ordinary user.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "records/results.h"
#include "run_referee.h"

namespace {

namespace fs = std::filesystem;
using referee_test::RefereeRun;

constexpr uid_t kNobody = 65534;

// Each bot steps its side's soldier of one column (black's 0, white's 1)
// forward every turn: legal for the few plies these runs play, so every
// game ends at the ply limit unless a player breaks.
constexpr const char* kPython = R"bot(import sys
header = sys.stdin.readline().split()
black = header[0] == "1"
x, y, step = (0, int(header[1]) - 3, -1) if black else (1, 2, 1)
if not black and not sys.stdin.readline():
    sys.exit(0)
while True:
    print(f"S {x} {y} M {x} {y + step}", flush=True)
    y += step
    if not sys.stdin.readline():
        break
)bot";

constexpr const char* kBash = R"bot(#!/bin/bash
read -r id rows _ || exit 0
if [ "$id" = 1 ]; then x=0 y=$((rows - 3)) step=-1; else x=1 y=2 step=1; read -r _ || exit 0; fi
while true; do
    echo "S $x $y M $x $((y + step))"
    y=$((y + step))
    read -r _ || exit 0
done
)bot";

constexpr const char* kC = R"bot(#include <stdio.h>
int main(void) {
    int id, rows;
    char line[256];
    if (!fgets(line, sizeof line, stdin) || sscanf(line, "%d %d", &id, &rows) != 2) return 0;
    int black = id == 1, x = black ? 0 : 1, y = black ? rows - 3 : 2, step = black ? -1 : 1;
    if (!black && !fgets(line, sizeof line, stdin)) return 0;
    for (;;) {
        printf("S %d %d M %d %d\n", x, y, x, y + step);
        fflush(stdout);
        y += step;
        if (!fgets(line, sizeof line, stdin)) return 0;
    }
}
)bot";

constexpr const char* kJava = R"bot(import java.io.*;
public class Bot {
    public static void main(String[] args) throws IOException {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in));
        String header = in.readLine();
        if (header == null) return;
        String[] words = header.split(" ");
        boolean black = words[0].equals("1");
        int x = black ? 0 : 1, y = black ? Integer.parseInt(words[1]) - 3 : 2, step = black ? -1 : 1;
        if (!black && in.readLine() == null) return;
        while (true) {
            System.out.println("S " + x + " " + y + " M " + x + " " + (y + step));
            System.out.flush();
            y += step;
            if (in.readLine() == null) return;
        }
    }
}
)bot";

bool installed(const char* check) {
    return std::system((std::string(check) + " > /dev/null 2>&1").c_str()) == 0;
}

void write(const fs::path& path, const std::string& text, bool executable = false) {
    referee_test::write_file(path.string(), text);
    fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
}

// Every path under `root` with its type, mode, owner and contents: equal
// before and after a run when the run changed nothing.
std::string snapshot(const fs::path& root) {
    std::set<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        std::ostringstream line;
        line << fs::relative(entry.path(), root).string() << ' ' << std::oct << info.st_mode
             << std::dec << ' ' << info.st_uid << ' ' << info.st_mtim.tv_sec << '.'
             << info.st_mtim.tv_nsec;
        if (entry.is_regular_file())
            line << ' ' << referee_test::read_file(entry.path().string());
        lines.insert(line.str());
    }
    std::string text;
    for (const auto& line : lines)
        text += line + '\n';
    return text;
}

// The names in "Started game K of N (A vs B)" lines.
std::set<std::string> players_started(const std::string& out) {
    std::set<std::string> names;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Started game ", 0) != 0)
            continue;
        const auto open = line.find('(');
        const auto vs = line.find(" vs ");
        names.insert(line.substr(open + 1, vs - open - 1));
        names.insert(line.substr(vs + 4, line.size() - vs - 5));
    }
    return names;
}

// The referee as root, or as an ordinary user: nobody when the test runs
// as root, the test's own user otherwise.
class Field : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        const bool root = ::geteuid() == 0;
        if (as_root() && !root)
            GTEST_SKIP() << "run as root to run the referee as root";
        if (!as_root() && root && !installed("setpriv --version"))
            GTEST_SKIP() << "setpriv (util-linux) is missing";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = referee_test::scratch_dir(std::string("field_") + info->name());
        subs_ = dir_ + "/subs";
        out_ = dir_ + "/out";
        fs::create_directories(subs_);
        fs::create_directories(out_);
        // A temporary folder of the test's own (TMPDIR): runs side by side
        // must not see each other's.
        fs::create_directories(out_ + "/tmp");
        fs::permissions(out_ + "/tmp", fs::perms(01777));
        // The referee writes its results and copies here, whoever it runs as.
        if (!as_root() && root) {
            ASSERT_EQ(::chown(out_.c_str(), kNobody, kNobody), 0);
        }
    }
    void TearDown() override {
        if (!dir_.empty()) {
            // A non-root test made the submissions read-only to itself.
            for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
                if (entry.is_directory() && !entry.is_symlink())
                    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
            }
            fs::remove_all(dir_);
        }
    }
    bool as_root() const { return std::string(GetParam()) == "root"; }
    // Where nobody may run it.
    std::string randombot() const {
        return as_root() ? std::string(RANDOMBOT) : referee_test::public_copy(RANDOMBOT);
    }

    // A submission: its files, `run` and `build` executable.
    void submit(const std::string& name,
                const std::vector<std::pair<std::string, std::string>>& files) {
        const fs::path folder = fs::path(subs_) / name;
        fs::create_directories(folder);
        for (const auto& [file, text] : files)
            write(folder / file, text, file == "run" || file == "build");
    }

    // An ordinary user's submissions are not its to change: each folder
    // read-only to it, as an organiser's would be.
    void lock_submissions() {
        if (::geteuid() == 0)
            return;
        for (const auto& entry : fs::directory_iterator(subs_))
            fs::permissions(entry.path(), fs::perms(0555));
    }

    RefereeRun referee(std::vector<std::string> args) {
        std::vector<std::string> argv;
        if (!as_root() && ::geteuid() == 0)
            argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        // The checkout may lie where nobody cannot reach.
        const std::string referee =
            as_root() ? std::string(REFEREE) : referee_test::public_copy(REFEREE);
        argv.insert(argv.end(), {"env", "TMPDIR=" + out_ + "/tmp", referee});
        argv.insert(argv.end(), args.begin(), args.end());
        test_support::RunOptions options;
        options.deadline = std::chrono::seconds(120);
        return test_support::run_process(argv, options);
    }

    std::string dir_;
    std::string subs_;
    std::string out_;
};

TEST_P(Field, BuildsPlaysAndLeavesOutWhatDoesNotBuild) {
    submit("alice", {{"bot.py", kPython}, {"run", "#!/bin/sh\nexec python3 bot.py\n"}});
    submit("bob", {{"run", kBash}});
    submit("carol", {{"bot.c", kC},
                     {"build", "#!/bin/sh\necho compiling; exec cc -O1 -o bot bot.c\n"},
                     {"run", "#!/bin/sh\nexec ./bot\n"}});
    submit("dave", {{"build", "#!/bin/sh\necho 'bot.c:1: error: expected a bot' >&2\nexit 3\n"},
                    {"run", "#!/bin/sh\nexec ./bot\n"}});
    submit("notes", {{"README", "no run file: not a player\n"}});
    std::set<std::string> expected{"alice", "bob", "carol", "randombot"};
    const bool java = installed("javac -version");
    if (java) {
        submit("jay", {{"Bot.java", kJava},
                       {"build", "#!/bin/sh\nexec javac -d classes Bot.java\n"},
                       {"run", "#!/bin/sh\nexec java -Xmx64m -cp classes Bot\n"}});
        expected.insert("jay");
    }
    lock_submissions();
    const std::string before = snapshot(subs_);
    const std::string results = out_ + "/results.jsonl";
    const std::vector<std::string> args{"--quiet", "--plies", "4",   "--results",
                                        results,   "--field", subs_, randombot()};
    const RefereeRun run = referee(args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Left out dave: its build failed (exited with status 3)\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(players_started(run.out), expected);
    const std::size_t n = expected.size();
    EXPECT_NE(run.out.find("of " + std::to_string(n * (n - 1) / 2) + " (randombot vs alice)"),
              std::string::npos)
        << "the commands come first, then the field in name order:\n"
        << run.out;

    std::istringstream text(referee_test::read_file(results));
    const auto read = records::read_results(text, "results");
    EXPECT_TRUE(read.problems.empty());
    EXPECT_EQ(read.games.size(), n * (n - 1) / 2);
    for (const auto& game : read.games)
        EXPECT_EQ(game.reason, "the ply limit was reached") << game.black << " vs " << game.white;
    std::map<std::string, records::Build> builds;
    for (const auto& build : read.builds)
        builds[build.player] = build;
    ASSERT_EQ(builds.size(), java ? 3U : 2U);
    EXPECT_TRUE(builds["carol"].ok);
    EXPECT_EQ(builds["carol"].output, "compiling\n");
    EXPECT_FALSE(builds["dave"].ok);
    EXPECT_EQ(builds["dave"].why, "exited with status 3");
    EXPECT_EQ(builds["dave"].output, "bot.c:1: error: expected a bot\n");
    if (java) {
        EXPECT_TRUE(builds["jay"].ok) << builds["jay"].why << builds["jay"].output;
    }
    EXPECT_EQ(snapshot(subs_), before);
    // The builds ran in copies beside the results, kept for looking at.
    EXPECT_TRUE(fs::exists(results + ".field/carol/bot"));

    // A resumed run builds again, and plays nothing it has.
    const RefereeRun again = referee(args);
    ASSERT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_NE(again.out.find("Resuming"), std::string::npos) << again.out;
    EXPECT_TRUE(players_started(again.out).empty()) << again.out;
    std::istringstream both(referee_test::read_file(results));
    const std::string all = both.str();
    // The run's line, each build twice, the games and one summary.
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'),
              static_cast<long>(1 + 2 * builds.size() + n * (n - 1) / 2 + 1));
    EXPECT_EQ(snapshot(subs_), before);
    if (!java)
        GTEST_SKIP() << "no JDK installed: the Java submission was left out of the field";
}

// A build that does not end is stopped at its bound and its player left
// out; without a results file the copies go to a temporary folder, gone
// after the run.
TEST_P(Field, ABuildThatHangsIsLeftOutAtItsBound) {
    submit("alice", {{"bot.py", kPython}, {"run", "#!/bin/sh\nexec python3 bot.py\n"}});
    submit("bob", {{"run", kBash}});
    // It waits on a pipe nobody writes to: only the bound ends it.
    submit("erin", {{"build", "#!/bin/sh\necho waiting\nmkfifo never && read line < never\n"},
                    {"run", "#!/bin/sh\nexec ./bot\n"}});
    lock_submissions();
    const std::string before = snapshot(subs_);
    const auto temporary = [this] {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(out_ + "/tmp")) {
            if (entry.path().filename().string().rfind("referee-field-", 0) == 0)
                found.insert(entry.path().string());
        }
        return found;
    };
    const auto earlier = temporary();
    const RefereeRun run =
        referee({"--quiet", "--plies", "4", "--build-time", "1", "--field", subs_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out,
              "Left out erin: its build failed (took more than 1 s)\n"
              "Finished game 1 (alice vs bob): 1/2-1/2 {the ply limit was reached: 4 plies}\n");
    EXPECT_EQ(snapshot(subs_), before);
    EXPECT_EQ(temporary(), earlier);
}

// An ordinary user's own submission is built where it lies, as make would
// build it; nothing is copied.
TEST_P(Field, AUserBuildsInPlaceWhereItMayWrite) {
    if (as_root())
        GTEST_SKIP() << "as root players run under ids of their own: their folders are copied";
    submit("alice", {{"bot.py", kPython}, {"run", "#!/bin/sh\nexec python3 bot.py\n"}});
    submit("carol", {{"bot.c", kC},
                     {"build", "#!/bin/sh\nexec cc -o bot bot.c\n"},
                     {"run", "#!/bin/sh\nexec ./bot\n"}});
    if (::geteuid() == 0) {
        for (const auto& entry : fs::recursive_directory_iterator(subs_))
            ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
    }
    const std::string results = out_ + "/results.jsonl";
    const RefereeRun run =
        referee({"--quiet", "--plies", "4", "--results", results, "--field", subs_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(fs::exists(subs_ + "/carol/bot"));
    EXPECT_FALSE(fs::exists(results + ".field"));
}

INSTANTIATE_TEST_SUITE_P(As, Field, ::testing::Values("root", "user"));

}  // namespace
