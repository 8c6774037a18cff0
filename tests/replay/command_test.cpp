// The replay program as a user runs it: what it prints, what it writes and
// its exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "process_runner.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ReplayCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "replay_test_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        record_ = (dir_ / "game.txt").string();
        std::ofstream(record_) << replay_test::random_record(3, 8, 8, 30);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static test_support::ProcessResult replay(std::vector<std::string> args) {
        args.insert(args.begin(), REPLAY);
        return test_support::run_process(args, "");
    }
    // The board after `ply` moves, from the record's move lines.
    std::string letters_after(int ply) const {
        auto board = replay::Board::starting(8, 8);
        const auto lines = referee::record_moves(read(record_));
        for (int i = 0; i < ply; ++i)
            board.apply(*protocol::parse_move(lines[static_cast<std::size_t>(i)]));
        return replay_test::letters(board);
    }

    fs::path dir_;
    std::string record_;
};

TEST_F(ReplayCommand, ShowsAndDrawsTheAskedPly) {
    for (int ply : {0, 17, 30}) {
        const auto run = replay({record_, "--ply", std::to_string(ply), "--no-color"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(replay_test::letters_from_display(run.out), letters_after(ply));
    }
    const auto whole = replay({record_});
    EXPECT_EQ(replay_test::letters_from_display(whole.out).size(), 31U * 8 * 9);
    EXPECT_TRUE(whole.out.ends_with("Result: 1/2-1/2 {the ply limit was reached}\n"));

    // The picture shows the last position unless told another.
    const std::string svg = (dir_ / "p.svg").string();
    EXPECT_EQ(replay({record_, "--svg", svg}).status, 0);
    EXPECT_EQ(replay_test::drawing_in(read(svg), 8, 8).letters, letters_after(30));
    EXPECT_EQ(replay({record_, "--svg", svg, "--ply", "12"}).status, 0);
    EXPECT_EQ(replay_test::drawing_in(read(svg), 8, 8).letters, letters_after(12));
}

// A broken record is reported at its line and nothing is written.
TEST_F(ReplayCommand, BrokenRecordWritesNothing) {
    std::string text = read(record_);
    std::size_t third_move = text.find("\n\n") + 2;
    for (int i = 0; i < 2; ++i)
        third_move = text.find('\n', third_move) + 1;
    text.insert(third_move, "S 0 5 M 0 9 {0.1s}\n");
    const std::string broken = (dir_ / "broken.txt").string();
    std::ofstream(broken) << text;
    const std::string html = (dir_ / "page.html").string();
    const std::string svg = (dir_ / "p.svg").string();
    const auto run = replay({broken, "--html", html, "--svg", svg});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, broken + ":16: ply 3, S 0 5 M 0 9: (0,9) is off the 8x8 board\n");
    EXPECT_FALSE(fs::exists(html));
    EXPECT_FALSE(fs::exists(svg));
}

TEST_F(ReplayCommand, ExitStatuses) {
    const std::string nowhere = (dir_ / "missing" / "page.html").string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--help"}, 0, ""},
        {{record_, "--html", (dir_ / "page.html").string()}, 0, ""},
        {{}, 2, "replay: RECORD is required"},
        {{record_, "--bogus"}, 2, "--bogus"},
        {{record_, "--ply", "-1"}, 2, "--ply"},
        {{record_, "--ply", "31"}, 2, "game 1 ends after ply 30, there is no ply 31"},
        {{record_, "--game", "2"}, 2, "holds 1 game, not 2"},
        {{(dir_ / "none.txt").string()}, 2, "cannot read"},
        {{record_, "--html", nowhere}, 1, "replay: cannot write " + nowhere},
    };
    for (const auto& c : cases) {
        const auto run = replay(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_NE(read(dir_ / "page.html").find("<svg"), std::string::npos);
}

}  // namespace
