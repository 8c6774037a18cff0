// What a player's command shows it of the machine, which id it gets, and
// the line that names the guarantees missing here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "fake_game.h"
#include "referee/process/guarantees.h"
#include "referee/process/player_ids.h"
#include "referee/process/player_view.h"
#include "run_referee.h"

namespace {

namespace fs = std::filesystem;

TEST(PlayerView, TheFolderOfTheFirstFileThatIsNoSystemProgram) {
    const std::string dir = referee_test::scratch_dir("player_view");
    fs::create_directories(dir + "/bots/alice");
    fs::create_directories(dir + "/bots/carol");
    referee_test::write_file(dir + "/bots/alice/bot.py", "print()\n");
    referee_test::write_file(dir + "/bots/alice/book.txt", "\n");
    referee_test::write_file(dir + "/bots/carol/run", "#!/bin/sh\n");
    const fs::path here = fs::current_path();
    fs::current_path(dir);

    const auto alice = referee::player_view(
        "/usr/bin/python3", {"python3", "bots/alice/bot.py", "bots/alice/book.txt"});
    EXPECT_EQ(alice.folder, dir + "/bots/alice");
    // Relative words become absolute: the player runs in its folder.
    EXPECT_EQ(alice.argv, (std::vector<std::string>{"python3", dir + "/bots/alice/bot.py",
                                                    dir + "/bots/alice/book.txt"}));
    EXPECT_EQ(alice.files, (std::vector<std::string>{"/usr/bin/python3", dir + "/bots/alice/bot.py",
                                                     dir + "/bots/alice/book.txt"}));

    const auto carol = referee::player_view("bots/carol/run", {"bots/carol/run", "--level", "3"});
    EXPECT_EQ(carol.program, dir + "/bots/carol/run");
    EXPECT_EQ(carol.folder, dir + "/bots/carol");
    EXPECT_EQ(carol.argv, (std::vector<std::string>{"bots/carol/run", "--level", "3"}));

    // A system program alone shows no folder; a file in /tmp itself is
    // shown alone, not the host's whole /tmp.
    EXPECT_EQ(referee::player_view("/usr/bin/env", {"env"}).folder, "");
    const std::string lone =
        fs::temp_directory_path() / ("player_view_" + std::to_string(::getpid()));
    referee_test::write_file(lone, "#!/bin/sh\n");
    const auto in_tmp = referee::player_view(lone, {lone});
    EXPECT_EQ(in_tmp.folder, "");
    EXPECT_EQ(in_tmp.lone_file, lone);

    fs::current_path(here);
    fs::remove(lone);
    fs::remove_all(dir);
}

// The player's folder as people write their commands, and a runtime
// installed outside /usr shown whole, a version manager's shim followed to
// the program it runs.
TEST(PlayerView, FolderAndRuntimesFollowTheCommand) {
    const std::string dir = referee_test::scratch_dir("player_view_runtimes");
    for (const char* folder : {"/classes", "/jars", "/pkg/mod", "/tool/shims", "/tool/libexec",
                               "/tool/versions/1/bin", "/bots/dan"})
        fs::create_directories(dir + folder);
    referee_test::write_file(dir + "/jars/bot.jar", "");
    referee_test::write_file(dir + "/pkg/mod/__init__.py", "");
    const std::string python = dir + "/tool/versions/1/bin/python3";
    fs::copy_file("/bin/sh", python);
    // A tool that answers `which NAME` from its own variable, as version
    // managers do, and a shim that runs it.
    referee_test::write_file(
        dir + "/tool/libexec/tool",
        "#!/bin/sh\n[ \"$1\" = which ] && echo \"$TOOL_ROOT/versions/1/bin/$2\"\n");
    const std::string shim = dir + "/tool/shims/python3";
    referee_test::write_file(shim, "#!/bin/sh\nexport TOOL_ROOT=\"" + dir + "/tool\"\nexec \"" +
                                       dir + "/tool/libexec/tool\" exec \"$program\" \"$@\"\n");
    referee_test::write_file(dir + "/bots/dan/run", "#!" + shim + "\n");
    for (const auto& file : {shim, dir + "/tool/libexec/tool", dir + "/bots/dan/run"})
        fs::permissions(file, fs::perms::owner_all);
    const fs::path here = fs::current_path();
    fs::current_path(dir);

    using Words = std::vector<std::string>;
    EXPECT_EQ(referee::player_view("/usr/bin/java", {"java", "-cp", "classes", "Bot"}).folder,
              dir + "/classes");
    EXPECT_EQ(referee::player_view("/usr/bin/java", {"java", "-cp", "classes", "Bot"}).argv,
              (Words{"java", "-cp", dir + "/classes", "Bot"}));
    EXPECT_EQ(referee::player_view("/usr/bin/java", {"java", "-jar", "jars/bot.jar"}).folder,
              dir + "/jars");
    const auto in_env = referee::player_view("/usr/bin/env", {"env", "-C", "bots/dan", "./run"});
    EXPECT_EQ(in_env.folder, dir + "/bots/dan");
    EXPECT_EQ(in_env.argv, (Words{"env", "-C", dir + "/bots/dan", dir + "/bots/dan/run"}));
    fs::current_path(dir + "/pkg");
    EXPECT_EQ(referee::player_view("/usr/bin/python3", {"python3", "-m", "mod.main"}).folder,
              dir + "/pkg");
    fs::current_path(dir);
    EXPECT_EQ(referee::player_view("/usr/bin/python3", {"python3", "-m", "absent"}).folder, "");

    const auto shimmed = referee::player_view(shim, {"python3", "bots/dan/run"});
    EXPECT_EQ(shimmed.program, python);
    EXPECT_EQ(shimmed.folder, dir + "/bots/dan");
    EXPECT_EQ(shimmed.installations, Words{dir + "/tool/versions/1"});
    // A #! line that names the shim runs it: the tool's whole folder.
    const auto script = referee::player_view(dir + "/bots/dan/run", {"bots/dan/run"});
    EXPECT_EQ(script.program, dir + "/bots/dan/run");
    EXPECT_EQ(script.installations, Words{dir + "/tool"});

    fs::current_path(here);
    fs::remove_all(dir);
}

TEST(PlayerView, PathsAndTheCleanEnvironment) {
    EXPECT_TRUE(referee::lies_in("/a/b/c", "/a/b"));
    EXPECT_TRUE(referee::lies_in("/a/b", "/a/b"));
    EXPECT_FALSE(referee::lies_in("/a/bc", "/a/b"));
    EXPECT_TRUE(referee::lies_in("/x", "/"));
    EXPECT_EQ(referee::absolute_normal("/a/./b/../c/"), "/a/c");
    EXPECT_EQ(
        referee::player_environment({"LANG=de_DE.UTF-8", "X=1"}),
        (std::vector<std::string>{"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/tmp", "TMPDIR=/tmp",
                                  "LC_ALL=C.UTF-8", "LANG=de_DE.UTF-8", "X=1"}));
    const std::vector<std::string> etc = referee::etc_view();
    for (const auto& path : etc)
        EXPECT_TRUE(referee::lies_in(path, "/etc")) << path;
    EXPECT_EQ(std::count(etc.begin(), etc.end(), "/etc/shadow"), 0);
    EXPECT_EQ(std::count(etc.begin(), etc.end(), "/etc/ld.so.cache"), 1);
}

TEST(PlayerIds, OneIdPerPlayerFromTheRange) {
    EXPECT_FALSE(referee::parse_id_range("5"));
    EXPECT_FALSE(referee::parse_id_range("0-3"));
    EXPECT_FALSE(referee::parse_id_range("7-3"));
    EXPECT_FALSE(referee::parse_id_range("1-2x"));
    const auto range = referee::parse_id_range("2000-2001");
    ASSERT_TRUE(range);
    auto& ids = referee::PlayerIds::instance();
    ids.set_range(*range);
    EXPECT_EQ(ids.id_for({"a"}), 2000U);
    EXPECT_EQ(ids.id_for({"b", "--x"}), 2001U);
    EXPECT_EQ(ids.id_for({"a"}), 2000U);
    EXPECT_EQ(ids.id_for({"c"}), std::nullopt);  // used up
    ids.set_range({});
}

TEST(Guarantees, MissingOnesAreNamedInOneLine) {
    referee::Guarantees guarantees;
    EXPECT_TRUE(guarantees.complete());
    guarantees.lack("no sandbox", "bwrap was not found");
    guarantees.lack("no system call filter", "no libseccomp");
    EXPECT_FALSE(guarantees.complete());
    EXPECT_EQ(guarantees.missing_text(),
              "no sandbox (bwrap was not found); no system call filter (no libseccomp)");
}

// Without bwrap: auto plays on and says so, on refuses to play.
TEST(Guarantees, SandboxOnRefusesToPlayWithoutThem) {
    const std::string fake = referee_test::command(FAKE_PLAYER, {});
    for (const char* mode : {"auto", "on"}) {
        SCOPED_TRACE(mode);
        const auto run =
            test_support::run_process({"env", "PATH=/nonexistent", REFEREE, "--sandbox", mode,
                                       "--quiet", "--rules", "squares", "--plies", "2", fake, fake},
                                      test_support::RunOptions{});
        const std::string missing =
            "no sandbox (bwrap (Debian package bubblewrap) was not found in PATH)";
        if (std::string(mode) == "on") {
            EXPECT_EQ(run.status, 3);
            EXPECT_EQ(run.err, "referee: --sandbox on, but players are not isolated here: " +
                                   missing + "\n");
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(referee_test::without_reveal_notice(run.err),
                      "referee: players are not isolated: " + missing + "\n");
            EXPECT_NE(run.out.find("Finished game 1"), std::string::npos);
        }
    }
}

}  // namespace
