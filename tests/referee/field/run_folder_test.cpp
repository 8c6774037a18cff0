// The folder a field run copies submissions into: what a copy holds, and
// that no folder but a field run's own is ever emptied.
#include "referee/field/run_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "run_referee.h"

namespace {

namespace fs = std::filesystem;

TEST(RunFolder, CopiesFilesFoldersAndLinksButNothingALinkPointsTo) {
    const std::string dir = referee_test::scratch_dir("run_folder_copies");
    const fs::path from = fs::path(dir) / "subs" / "alice";
    fs::create_directories(from / "src");
    referee_test::write_file((from / "run").string(), "#!/bin/sh\n");
    fs::permissions(from / "run", fs::perms(0500));
    referee_test::write_file((from / "src" / "bot.c").string(), "int main(){}\n");
    fs::permissions(from / "src", fs::perms(0555));
    referee_test::write_file(dir + "/secret", "not the player's\n");
    fs::create_symlink(dir + "/secret", from / "secret");
    ASSERT_EQ(::mkfifo((from / "pipe").c_str(), 0644), 0);

    referee::RunFolder copies;
    ASSERT_EQ(copies.open(dir + "/results.jsonl.field", false), std::nullopt);
    ASSERT_EQ(copies.copy(from.string(), "alice", std::nullopt), std::nullopt);
    const fs::path to = copies.copy_of("alice");
    EXPECT_EQ(to, fs::path(dir) / "results.jsonl.field" / "alice");
    EXPECT_EQ(referee_test::read_file((to / "src" / "bot.c").string()), "int main(){}\n");
    // The copy is its owner's to build in; what runs stays runnable.
    EXPECT_EQ(fs::status(to / "src").permissions() & fs::perms::owner_all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(to / "run").permissions() & fs::perms::owner_all, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_symlink(to / "secret"));
    EXPECT_EQ(fs::read_symlink(to / "secret"), fs::path(dir) / "secret");
    EXPECT_EQ(referee_test::read_file(dir + "/secret"), "not the player's\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status(to / "pipe")));
    if (::geteuid() == 0) {
        ASSERT_EQ(copies.copy(from.string(), "bob", 1234), std::nullopt);
        struct stat info {};
        for (const auto* name : {"", "/run", "/src", "/src/bot.c", "/secret"}) {
            ASSERT_EQ(::lstat((copies.copy_of("bob") + name).c_str(), &info), 0) << name;
            EXPECT_EQ(info.st_uid, 1234U) << name;
            EXPECT_EQ(info.st_gid, 1234U) << name;
        }
    }
    fs::permissions(from / "src", fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
}

TEST(RunFolder, EmptiesOnlyAFolderAFieldRunMade) {
    const std::string dir = referee_test::scratch_dir("run_folder_reuse");
    const fs::path from = fs::path(dir) / "alice";
    fs::create_directories(from);
    referee_test::write_file((from / "run").string(), "#!/bin/sh\n");
    const std::string path = dir + "/results.jsonl.field";
    {
        referee::RunFolder first;
        ASSERT_EQ(first.open(path, false), std::nullopt);
        ASSERT_EQ(first.copy(from.string(), "alice", std::nullopt), std::nullopt);
        // What a build leaves, folders it cannot write among it.
        fs::create_directories(first.copy_of("alice") + "/out");
        referee_test::write_file(first.copy_of("alice") + "/out/bot", "built\n");
        fs::permissions(first.copy_of("alice") + "/out", fs::perms(0500));
    }
    EXPECT_TRUE(fs::exists(path + "/alice/out/bot")) << "a folder beside the results stays";
    referee::RunFolder second;
    ASSERT_EQ(second.open(path, false), std::nullopt);
    EXPECT_FALSE(fs::exists(path + "/alice"));

    // Anyone else's folder is refused and left as it was.
    const std::string other = dir + "/mine";
    fs::create_directories(other);
    referee_test::write_file(other + "/notes.txt", "keep\n");
    referee::RunFolder refused;
    const auto why = refused.open(other, false);
    ASSERT_TRUE(why.has_value());
    EXPECT_NE(why->find("move it away"), std::string::npos) << *why;
    EXPECT_EQ(referee_test::read_file(other + "/notes.txt"), "keep\n");

    // A temporary one goes with the run, whatever its builds left.
    std::string temporary;
    {
        referee::RunFolder copies;
        ASSERT_EQ(copies.open("", true), std::nullopt);
        temporary = copies.path();
        ASSERT_EQ(copies.copy(from.string(), "alice", std::nullopt), std::nullopt);
        fs::create_directories(copies.copy_of("alice") + "/out");
        fs::permissions(copies.copy_of("alice") + "/out", fs::perms(0500));
        EXPECT_EQ(fs::status(temporary).permissions(), fs::perms(0711));
    }
    EXPECT_FALSE(fs::exists(temporary));
    fs::remove_all(dir);
}

}  // namespace
