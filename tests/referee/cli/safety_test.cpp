// What a player's author or a careless command line can do to the
// referee's output and files: forge lines with names, run commands through
// a schedule, overwrite a file with another, block on a FIFO.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "referee/match/results.h"
#include "run_referee.h"

namespace {

using referee_test::read_file;
using referee_test::run_referee;
using referee_test::scratch_dir;
using referee_test::write_file;
namespace fs = std::filesystem;

const std::string kForged = "evil\n[Result \"1-0\"]\nFinished game 1 (x vs y): 1-0 {forged}\x1b[2J";

std::string randombot(int seed) {
    return referee_test::command(RANDOMBOT, {"--seed", std::to_string(seed)});
}

TEST(Names, ControlCharactersInGivenNamesAreUsageErrors) {
    for (const char* option : {"--name-black", "--name-white", "--name"}) {
        const auto run =
            run_referee(REFEREE, {"--quiet", option, kForged, randombot(1), randombot(2)});
        EXPECT_EQ(run.status, 2) << option;
        EXPECT_EQ(run.out, "");
        const std::string first = run.err.substr(0, run.err.find('\n'));
        EXPECT_NE(first.find(R"("evil\x0a[Result \x221-0\x22]\x0aFinished game 1)"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
    }
}

TEST(Names, ProgramNamesAreEscapedInEveryOutputAndTheRecordStillReplays) {
    const std::string dir = scratch_dir("names");
    const std::string bot = dir + "/" + kForged + " caf\xc3\xa9";
    fs::create_symlink(RANDOMBOT, bot);
    const auto run =
        run_referee(REFEREE, {"--quiet", "--sandbox", "off", "--record", dir + "/g.txt", "--log",
                              dir + "/l.txt", "--results", dir + "/r.jsonl", "--games", "2",
                              referee_test::command(bot, {"--seed", "1"}), randombot(2)});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string escaped =
        R"(evil\x0a[Result "1-0"]\x0aFinished game 1 (x vs y): 1-0 {forged}\x1b[2J café)";
    EXPECT_NE(run.out.find("Finished game 1 (" + escaped + " vs randombot): "), std::string::npos)
        << run.out;
    for (const std::string& text : {run.out, read_file(dir + "/g.txt"), read_file(dir + "/l.txt"),
                                    read_file(dir + "/r.jsonl")}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos);
        EXPECT_EQ(text.find("\nFinished game 1 (x vs y)"), std::string::npos);
    }
    // Two games, two result tags: no name adds one.
    const std::string record = read_file(dir + "/g.txt");
    int results = 0;
    for (auto at = record.find("\n[Result "); at != std::string::npos;
         at = record.find("\n[Result ", at + 1))
        ++results;
    EXPECT_EQ(results, 2) << record;
    // The standings merged back from the results show the same name.
    const auto merged = run_referee(REFEREE, {"--merge", dir + "/r.jsonl"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_NE(merged.out.find(escaped), std::string::npos) << merged.out;
    EXPECT_EQ(merged.out.find('\x1b'), std::string::npos);
    fs::remove_all(dir);
}

TEST(Schedule, HostileWordsStayOneJobEachThroughParallel) {
    const std::string dir = scratch_dir("schedule");
    const std::string bot = dir + "/bot\ntouch pwned #";
    fs::create_symlink(RANDOMBOT, bot);
    const auto schedule = run_referee(
        REFEREE, {"--quiet", "--sandbox", "off", "--results", dir + "/r.jsonl", "--schedule",
                  "--games", "2", "--name", "it's", referee_test::command(bot, {}), randombot(2)});
    ASSERT_EQ(schedule.status, 0) << schedule.err;
    EXPECT_EQ(std::count(schedule.out.begin(), schedule.out.end(), '\n'), 2) << schedule.out;
    const auto ran = test_support::run_process(
        {"sh", "-c", "cd \"$1\" && exec parallel --will-cite", "sh", dir}, schedule.out);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_FALSE(fs::exists(dir + "/pwned"));
    const std::string results = read_file(dir + "/r.jsonl");
    int games = 0;
    for (auto at = results.find("{\"game\":"); at != std::string::npos;
         at = results.find("{\"game\":", at + 1))
        ++games;
    EXPECT_EQ(games, 2) << results;
    EXPECT_NE(results.find(R"("black":"it's")"), std::string::npos) << results;
    fs::remove_all(dir);
}

// Every pair of outputs, and an output onto a player's program, in every
// spelling of one file: refused before anything is written.
TEST(Files, NoOutputOverwritesAnotherOrAnInput) {
    const std::string dir = scratch_dir("clobber");
    fs::create_directories(dir + "/sub");
    const std::string file = dir + "/x";
    write_file(file, "precious\n");
    fs::create_hard_link(file, dir + "/hard");
    fs::create_symlink(file, dir + "/sym");
    fs::create_symlink(dir + "/nowhere", dir + "/dangling");
    fs::copy_file(RANDOMBOT, dir + "/bot");
    const std::vector<std::pair<std::string, std::string>> same{
        {file, file},          {file, dir + "/./x"}, {file, dir + "/sub/../x"},
        {file, dir + "/hard"}, {file, dir + "/sym"}, {dir + "/nowhere", dir + "/dangling"}};
    const std::vector<std::pair<std::string, std::string>> options{
        {"--record", "--log"}, {"--record", "--results"}, {"--log", "--results"}};
    for (const auto& [first, second] : same) {
        for (const auto& [a, b] : options) {
            const auto run =
                run_referee(REFEREE, {"--quiet", a, first, b, second, randombot(1), randombot(2)});
            EXPECT_EQ(run.status, 2) << a << ' ' << first << ' ' << b << ' ' << second;
            EXPECT_NE(run.err.find("name the same file"), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(read_file(file), "precious\n");
    EXPECT_FALSE(fs::exists(dir + "/nowhere"));
    const auto onto_bot = run_referee(
        REFEREE,
        {"--log", dir + "/sub/../bot", referee_test::command(dir + "/bot", {}), randombot(2)});
    EXPECT_EQ(onto_bot.status, 2);
    EXPECT_NE(onto_bot.err.find("which the run reads"), std::string::npos) << onto_bot.err;
    EXPECT_EQ(read_file(dir + "/bot"), read_file(RANDOMBOT));
    const auto onto_merged = run_referee(REFEREE, {"--merge", "--results", dir + "/hard", file});
    EXPECT_EQ(onto_merged.status, 2);
    EXPECT_EQ(read_file(file), "precious\n");
    fs::remove_all(dir);
}

TEST(Files, RunWithoutGameLeavesRecordAndLogAsTheyWere) {
    const std::string dir = scratch_dir("nogame");
    write_file(dir + "/g.txt", "old record\n");
    write_file(dir + "/l.txt", "old log\n");
    const auto run = run_referee(REFEREE, {"--quiet", "--record", dir + "/g.txt", "--log",
                                           dir + "/l.txt", dir + "/no-such-bot", randombot(2)});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(read_file(dir + "/g.txt"), "old record\n");
    EXPECT_EQ(read_file(dir + "/l.txt"), "old log\n");
    fs::remove_all(dir);
}

// Waits for `name` to be created in the folder `watch` (an inotify
// descriptor) reports on; false when it was not within 20 s.
bool created(int watch, const std::string& name) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd ready{watch, POLLIN, 0};
        if (::poll(&ready, 1, 20'000) != 1)
            return false;
        const ssize_t got = ::read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name)
                return true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

// The record is opened first, then the log, a FIFO nobody reads: once the
// record exists the referee is on its way to waiting for the FIFO's reader,
// or waits already, and SIGTERM must end it either way.
TEST(Files, FifoLogWithoutReaderEndsOnSigterm) {
    const std::string dir = scratch_dir("fifo");
    const std::string fifo = dir + "/log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.c_str(), IN_CREATE), 0);
    bool waited = false;
    const auto run = run_referee(REFEREE,
                                 {"--quiet", "--sandbox", "off", "--record", dir + "/record.txt",
                                  "--log", fifo, randombot(1), randombot(2)},
                                 {.input = "",
                                  .deadline = std::chrono::seconds(20),
                                  .started =
                                      [&](pid_t pid) {
                                          waited = created(watch, "record.txt");
                                          ::kill(pid, SIGTERM);
                                      },
                                  .output = {}});
    ::close(watch);
    EXPECT_TRUE(waited);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.status, 143) << run.err;
    EXPECT_EQ(run.out, "");
    fs::remove_all(dir);
}

TEST(Files, ResultsThatCannotBeKeptFailTheRun) {
    const std::string dir = scratch_dir("results");
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir, dir + "/no-dir/r.jsonl"}) {
        const auto run = run_referee(REFEREE, {"--quiet", "--sandbox", "off", "--results", path,
                                               randombot(1), randombot(2)});
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_NE(run.err.find("results file"), std::string::npos) << run.err;
    }
    fs::remove_all(dir);
}

// A field of 2,000 players, each in two games: a merge keeps what the
// pairs that played scored, not a table of every pair, and prints no
// crosstable or ratings it would need such a table for.
TEST(Files, MergeOfAVastFieldStaysWithinMemoryBound) {
    const std::string dir = scratch_dir("vast");
    const int players = 2000;
    {
        std::ofstream out(dir + "/r.jsonl");
        for (int k = 0; k < players; ++k) {
            records::GameEntry entry;
            entry.game = k + 1;
            entry.black = "p" + std::to_string(k);
            entry.white = "p" + std::to_string((k + 1) % players);
            entry.result = k % 3 == 0 ? "1-0" : k % 3 == 1 ? "0-1" : "1/2-1/2";
            entry.reason = "game over";
            out << records::game_line(entry);
        }
    }
    // A table of every pair takes more than 100 MB for this field.
    auto words = test_support::within_memory(96LL << 20, {REFEREE, "--merge", dir + "/r.jsonl"});
    const std::string program = words.front();
    words.erase(words.begin());
    const auto run = run_referee(program, words);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\n2000  p"), std::string::npos);
    EXPECT_NE(run.out.find("Crosstable left out: 2000 players"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("95 % interval"), std::string::npos);
    EXPECT_NE(run.out.find("  2000  game over"), std::string::npos);
    fs::remove_all(dir);
}

}  // namespace
