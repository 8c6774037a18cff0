// Bots with the mistakes their authors make most, written by the tests
// from the example Python bot: each variant changes one line of it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fake_game.h"
#include "run_referee.h"

namespace referee_test {

enum class BotFault { None, Unflushed, DebugOnStdout, Crashes, StaysAfterInput, Slow };

// The example bot with `fault` written in; every variant still plays the
// example's moves, so its games end the same way up to the fault.
inline std::string bot_source(BotFault fault) {
    std::string source = read_file(PYTHON_BOT);
    const auto swap = [&](const std::string& from, const std::string& to) {
        const auto at = source.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            source.replace(at, from.size(), to);
    };
    const std::string move = "print(move, flush=True)";
    switch (fault) {
        case BotFault::None:
            break;
        case BotFault::Unflushed:
            swap(move, "print(move)");
            break;
        case BotFault::DebugOnStdout:
            swap(move, "print('my move:', move, flush=True)");
            break;
        case BotFault::Crashes:
            swap(move, move + "; board.clear(); 1 // len(board)");
            break;
        case BotFault::StaysAfterInput:
            swap("return  # end of input: the game is over", "import time; time.sleep(60)");
            break;
        case BotFault::Slow:
            swap("move = choose()", "__import__('time').sleep(0.4); move = choose()");
            break;
    }
    return source;
}

// Writes the bot into `dir` as an executable script; its path.
inline std::string write_bot(const std::string& dir, const std::string& name, BotFault fault) {
    std::string path = dir + "/" + name;
    write_file(path, bot_source(fault));
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                  std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                  std::filesystem::perms::others_exec);
    return path;
}

// Each case with the sandbox ("on", where bwrap works) and without it, the
// bots in a scratch folder of their own and what the referee writes in
// another, out of the bots' sight.
class ScriptedBots : public FakeGame, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        FakeGame::SetUp();
        if (std::string(GetParam()) == "on" && !sandbox_works())
            GTEST_SKIP() << "bwrap does not work here";
    }
    const char* sandbox() const { return sandbox_word(GetParam()); }
};

}  // namespace referee_test
