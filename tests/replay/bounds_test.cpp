// replay and explain against records too long or too big for them: a long
// game replays whole within a fixed bound of memory, and a file that no
// record can be is refused with where and why, never by running out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "process_runner.h"
#include "support.h"

namespace {

// The replay's memory bound: a 100,000-ply game is a few megabytes of
// record; quadratic or tree-shaped copies of it would not fit.
constexpr long long kAddressSpace = 256LL << 20;

std::string scratch(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("replay_bounds_" + name + "_" + std::to_string(::getpid()));
    return path.string();
}

TEST(ReplayBounds, LongGameReplaysWholeInTerminalAndPageWithinMemoryBound) {
    const std::string record = scratch("long.txt");
    const std::string page = scratch("long.html");
    std::ofstream(record) << replay_test::shuttle_record(100'000);
    const auto terminal = test_support::run_process(
        test_support::within_memory(kAddressSpace, {REPLAY, record, "--no-color"}), "");
    EXPECT_EQ(terminal.status, 0) << terminal.err;
    EXPECT_NE(terminal.out.find("ply 100000: white played"), std::string::npos);
    EXPECT_NE(terminal.out.find("Result: 1/2-1/2"), std::string::npos);
    const auto html = test_support::run_process(
        test_support::within_memory(kAddressSpace, {REPLAY, record, "--html", page}), "");
    EXPECT_EQ(html.status, 0) << html.err;
    const std::string text = test_support::read_file(page);
    EXPECT_NE(text.find(R"({"text":"S )"), std::string::npos);
    EXPECT_NE(text.find("</html>"), std::string::npos);
    std::filesystem::remove(record);
    std::filesystem::remove(page);
}

// A match record of 40 games of 10,000 plies: the whole of it, read into
// memory, takes more than the bound; one game at a time fits many times.
TEST(ReplayBounds, MatchRecordReplaysOneGameAtATimeWithinMemoryBound) {
    const std::string record = scratch("match.txt");
    const std::string page = scratch("match.html");
    const std::string game = replay_test::shuttle_record(10'000);
    {
        std::ofstream out(record);
        for (int k = 0; k < 40; ++k)
            out << game;
    }
    constexpr long long bound = 20LL << 20;
    const auto terminal = test_support::run_process(
        test_support::within_memory(bound, {REPLAY, record, "--game", "40", "--no-color"}), "");
    EXPECT_EQ(terminal.status, 0) << terminal.err;
    EXPECT_EQ(terminal.out.rfind("game 40 of 40 in this record", 0), 0U);
    EXPECT_NE(terminal.out.find("ply 10000: white played"), std::string::npos);
    const auto html = test_support::run_process(
        test_support::within_memory(bound, {REPLAY, record, "--game", "40", "--html", page}), "");
    EXPECT_EQ(html.status, 0) << html.err;
    // The index carries every game, the last one shown.
    const std::string text = test_support::read_file(page);
    EXPECT_NE(text.find(R"(],"shown":39})"), std::string::npos);
    std::size_t games = 0;
    for (auto at = text.find(R"({"columns":)"); at != std::string::npos;
         at = text.find(R"({"columns":)", at + 1))
        ++games;
    EXPECT_EQ(games, 41U);  // the shown game's fields, then the index's 40
    std::filesystem::remove(record);
    std::filesystem::remove(page);
}

TEST(ReplayBounds, EndlessOrHugeLinesAreRefusedWithLineAndReason) {
    const std::string big = scratch("line.txt");
    {
        std::ofstream out(big);
        out << "[Event \"x\"]\n";
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            out << chunk;
        out << '\n';
    }
    for (const std::string& path : {std::string("/dev/zero"), big}) {
        const std::string line = path == big ? ":2: " : ":1: ";
        const auto replayed = test_support::run_process(
            test_support::within_memory(kAddressSpace, {REPLAY, path}), "");
        EXPECT_EQ(replayed.status, 2);
        EXPECT_EQ(replayed.err, "replay: " + path + line +
                                    "line longer than 65536 bytes, more than any record holds\n");
        const auto explained = test_support::run_process(
            test_support::within_memory(kAddressSpace, {EXPLAIN, "--program", "gridplayer",
                                                        "--record", path, "--ply", "0"}),
            "");
        EXPECT_EQ(explained.status, 2);
        EXPECT_EQ(explained.err, "explain: " + path + line +
                                     "line longer than 65536 bytes, more than any record holds\n");
    }
    std::filesystem::remove(big);
}

TEST(ReplayBounds, PageOrPictureOntoTheRecordIsRefusedWhateverTheSpelling) {
    const auto dir = std::filesystem::path(scratch("clobber"));
    std::filesystem::create_directories(dir / "sub");
    const std::string record = (dir / "g.txt").string();
    const std::string text = replay_test::shuttle_record(10);
    std::ofstream(record) << text;
    std::filesystem::create_hard_link(record, dir / "hard");
    std::filesystem::create_symlink(record, dir / "sym");
    const std::vector<std::string> spellings{record, (dir / "." / "g.txt").string(),
                                             (dir / "sub" / ".." / "g.txt").string(),
                                             (dir / "hard").string(), (dir / "sym").string()};
    for (const auto& spelling : spellings) {
        for (const char* option : {"--html", "--svg"}) {
            const auto run = test_support::run_process({REPLAY, record, option, spelling}, "");
            EXPECT_EQ(run.status, 2) << option << ' ' << spelling;
            EXPECT_NE(run.err.find("is the record"), std::string::npos) << run.err;
            EXPECT_EQ(test_support::read_file(record), text);
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
