// A bot whose move stays in its output buffer hears so within a second of
// its turn, on the referee's standard error and in the log, and the game
// still ends as its clock decides; bots that answer, however slowly, hear
// nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "fake_game.h"
#include "referee/game/input_hint.h"
#include "scripted_bots.h"

namespace {

using referee_test::BotFault;

class InputHint : public referee_test::ScriptedBots {
  protected:
    referee_test::RefereeRun play(const std::string& bot, referee::Side side,
                                  std::vector<std::string> options) {
        options.insert(options.end(), {"--quiet", "--log", log(), "--player-logs",
                                       out_ + "/players", "--sandbox", sandbox()});
        if (side == referee::Side::Black)
            options.insert(options.end(), {bot, RANDOMBOT});
        else
            options.insert(options.end(), {RANDOMBOT, bot});
        return referee_test::run_referee(REFEREE, options);
    }
    std::string log() const { return out_ + "/game.log"; }
};

// The log's stamps, in milliseconds since the run began: of the last line
// sent to `side` before `notice`, and of the notice.
std::pair<long, long> turn_and_notice(const std::string& log, referee::Side side,
                                      const std::string& notice) {
    std::istringstream lines(log);
    std::string line;
    long turn = -1;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        long stamp = 0;
        words >> stamp;
        if (line.find(notice) != std::string::npos)
            return {turn, stamp};
        if (line.find(std::string("-> ") + referee::side_name(side) + " ") != std::string::npos)
            turn = stamp;
    }
    return {turn, -1};
}

TEST_P(InputHint, AnUnflushedMoveIsNamedWithinASecondAndTheClockStillDecides) {
    const std::string bot = referee_test::write_bot(dir_, "bot.py", BotFault::Unflushed);
    for (const referee::Side side : {referee::Side::Black, referee::Side::White}) {
        const std::string name = referee::side_name(side);
        SCOPED_TRACE(name);
        const auto run = play(bot, side, {"--time", "2"});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string notice = referee::input_wait_notice(side);
        EXPECT_EQ(notice, name +
                              " is waiting for input on its own turn: its move is probably still "
                              "in an output buffer; flush after every move");
        EXPECT_NE(run.err.find("): " + notice + "\n"), std::string::npos) << run.err;
        // Said once, and the verdict is the clock's, in its usual words.
        EXPECT_EQ(run.err.find(notice), run.err.rfind(notice));
        EXPECT_NE(run.out.find("{" + name + " ran out of time}"), std::string::npos) << run.out;
        const auto [turn, said] = turn_and_notice(referee_test::read_file(log()), side, notice);
        ASSERT_GE(turn, 0);
        ASSERT_GE(said, turn);
        EXPECT_LE(said - turn, 1000) << "the notice came " << said - turn << " ms into the turn";
        // The bot's own log holds it too, and its opponent's does not.
        const std::string players = out_ + "/players/";
        EXPECT_NE(referee_test::read_file(players + "bot.py/game-1.txt").find(notice),
                  std::string::npos);
        const std::string other = referee_test::read_file(players + "randombot/game-1.txt");
        EXPECT_NE(other.find("-> "), std::string::npos);
        EXPECT_EQ(other.find("waiting for input"), std::string::npos) << other;
    }
}

TEST_P(InputHint, BotsThatAnswerHoweverSlowlyHearNothing) {
    for (const BotFault fault : {BotFault::None, BotFault::Slow}) {
        const std::string bot = referee_test::write_bot(dir_, "bot.py", fault);
        for (const referee::Side side : {referee::Side::Black, referee::Side::White}) {
            const auto run = play(bot, side, {"--plies", "8"});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find("{the ply limit was reached"), std::string::npos) << run.out;
            EXPECT_EQ(run.err.find("waiting for input"), std::string::npos) << run.err;
            EXPECT_EQ(referee_test::read_file(log()).find("waiting for input"), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sandbox, InputHint, ::testing::Values("on", "off"));

}  // namespace
