// A bot whose move stays in its output buffer hears so on its turn, before
// its clock runs out, on the referee's standard error and in the log, and
// the game still ends as its clock decides; bots that answer, however
// slowly, hear nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "fake_game.h"
#include "referee/game/input_hint.h"
#include "scripted_bots.h"

namespace {

using referee_test::BotFault;

class InputHint : public referee_test::ScriptedBots {
  protected:
    referee_test::RefereeRun play(const std::string& bot, rules::Side side,
                                  std::vector<std::string> options) {
        options.insert(options.end(), {"--quiet", "--log", log(), "--player-logs",
                                       out_ + "/players", "--sandbox", sandbox()});
        if (side == rules::Side::Black)
            options.insert(options.end(), {bot, RANDOMBOT});
        else
            options.insert(options.end(), {RANDOMBOT, bot});
        return referee_test::run_referee(REFEREE, options);
    }
    std::string log() const { return out_ + "/game.log"; }
};

// Where the log says, in order of its lines: the last line sent to `side`
// before `notice`, the notice, and the verdict after it; -1 for none.
struct Said {
    long turn = -1;
    long notice = -1;
    long verdict = -1;
};

Said where_said(const std::string& log, rules::Side side, const std::string& notice,
                const std::string& verdict) {
    std::istringstream lines(log);
    std::string line;
    Said said;
    for (long at = 0; std::getline(lines, line); ++at) {
        if (said.notice < 0 && line.find(notice) != std::string::npos)
            said.notice = at;
        else if (said.notice < 0 &&
                 line.find(std::string("-> ") + rules::side_name(side) + " ") != std::string::npos)
            said.turn = at;
        else if (said.notice >= 0 && said.verdict < 0 && line.find(verdict) != std::string::npos)
            said.verdict = at;
    }
    return said;
}

TEST_P(InputHint, AnUnflushedMoveIsNamedOnItsTurnAndTheClockStillDecides) {
    const std::string bot = referee_test::write_bot(dir_, "bot.py", BotFault::Unflushed);
    for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const std::string name = rules::side_name(side);
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
        const std::string verdict = "{" + name + " ran out of time}";
        EXPECT_NE(run.out.find(verdict), std::string::npos) << run.out;
        // Its two-second clock bounds the turn: the notice comes in it,
        // after the line that began it and before the clock ends the game.
        const std::string logged = referee_test::read_file(log());
        const Said said = where_said(logged, side, notice, verdict);
        EXPECT_GE(said.turn, 0) << logged;
        EXPECT_GT(said.notice, said.turn) << logged;
        EXPECT_GT(said.verdict, said.notice) << logged;
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
        for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
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
