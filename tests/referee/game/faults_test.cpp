// The referee against real misbehaving players: every fault must cost the
// faulty side the game, with the right reason, and leave no process behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fake_game.h"
#include "protocol/move_line.h"
#include "record_moves.h"
#include "referee/game/record.h"
#include "referee/game/seat.h"
#include "referee/seats/program_seat.h"
#include "rules/board.h"
#include "rules/cell.h"
#include "rules/side.h"
#include "run_referee.h"

namespace {

using referee_test::RefereeRun;

class Faults : public referee_test::FakeGame {
  protected:
    // Both players were started, and neither is still running or unreaped.
    void expect_players_gone() {
        for (const char* name : {"black", "white"}) {
            const pid_t pid = referee_test::read_pid(dir_ + "/" + name + ".pid");
            EXPECT_GT(pid, 0) << name;
            if (!referee_test::sandbox_works()) {
                EXPECT_TRUE(referee_test::process_gone(pid)) << name << " pid " << pid;
            }
        }
        EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);
    }
};

constexpr const char* kFinished = "Finished game 1 (fake_player vs fake_player): ";

// bwrap keeps a sandboxed player's standard streams open in its own
// processes, so there a player that closes its output or input is seen only
// when it exits or its clock runs out (see docs/sandbox.md): such a case
// runs without the sandbox.
std::vector<std::string> closes_stream(const std::vector<std::string>& args) {
    const bool closes = std::find(args.begin(), args.end(), "close-output") != args.end() ||
                        std::find(args.begin(), args.end(), "close-input") != args.end();
    return closes ? std::vector<std::string>{"--sandbox", "off"} : std::vector<std::string>{};
}

TEST_F(Faults, BrokenRulesAndNotationLoseWithTheLineQuoted) {
    struct Case {
        const char* mode;
        bool black_at_fault;
        std::string expected;
    };
    const Case cases[] = {
        {"illegal", true,
         "0-1 {black played an illegal move: \"S 1 7 M 1 6\" ((1,7) holds no soldier of black)}"},
        {"illegal", false,
         "1-0 {white played an illegal move: \"S 0 0 M 0 1\" ((0,0) holds no soldier of white)}"},
        {"malformed", false,
         "1-0 {white wrote a malformed move line: \"S 1 2 X 9\" "
         "(expected six tokens separated by single spaces)}"},
        {"garbage", true,
         "0-1 {black wrote a malformed move line: \"\\x01\\xff\\x7f garbage\\x00\\x02\" "
         "(expected six tokens separated by single spaces)}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.black_at_fault ? " by black" : " by white"));
        const std::vector<std::string> fault{"--mode", c.mode, "--after", "1"};
        const RefereeRun run = c.black_at_fault ? play(fake("black", fault), fake("white"))
                                                : play(fake("black"), fake("white", fault));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kFinished + c.expected + "\n");
        expect_players_gone();
    }
}

// Lines the basic checks let through but no reading of the rules allows:
// each loses under the default rules, quoted, with the reason in the game's
// words. Black plays the script; white's first move is a plain step.
TEST_F(Faults, MovesThatBreakTheRulesLoseUnderEitherReading) {
    const struct {
        const char* what;
        const char* script;  // the last line is the one that breaks the rules
    } cases[] = {
        {"a two-square step", "S 0 5 M 0 3"},
        {"a teleport", "S 2 5 M 5 3"},
        {"a shot four squares out", "S 0 5 B 0 1"},
        {"a lone soldier's shot", "S 0 5 M 0 4,S 0 4 B 0 2"},
        {"a one-row retreat", "S 0 5 M 0 4,S 0 4 M 0 5"},
        {"a sideways step onto an empty square", "S 0 5 M 1 5"},
        {"a slide of a two-soldier line", "S 0 5 M 0 4,S 0 7 M 0 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string script = c.script;
        const std::string bad = script.substr(script.rfind(',') + 1);
        const RefereeRun run =
            play(fake("black", {"--script", script}), fake("white"), {}, "either");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(
            run.out.rfind(
                std::string(kFinished) + "0-1 {black played an illegal move: \"" + bad + "\" (", 0),
            0u)
            << run.out;
        expect_players_gone();
    }
}

// The two players name a cannon's shot by different soldiers: each line is
// legal under its own reading and under either, and illegal under the other.
TEST_F(Faults, ALineLegalUnderOneReadingOnlyPassesUnderEither) {
    const struct {
        const char* line;
        const char* illegal_under;
    } cases[] = {{"S 0 5 B 0 3", "treeplayer"}, {"S 0 6 B 0 3", "gridplayer"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string black = fake("black", {"--script", c.line});
        for (const char* rules : {"either", "treeplayer", "gridplayer"}) {
            const RefereeRun run = play(black, fake("white"), {"--plies", "1"}, rules);
            const bool refused = std::string(rules) == c.illegal_under;
            EXPECT_EQ(run.out.find("black played an illegal move") != std::string::npos, refused)
                << rules << ": " << run.out;
            EXPECT_EQ(run.out.find("the ply limit was reached") != std::string::npos, !refused)
                << rules << ": " << run.out;
        }
        expect_players_gone();
    }
}

TEST_F(Faults, WritingOutOfTurnLoses) {
    // Two lines in one turn: the second was not asked for.
    RefereeRun run = play(fake("black", {"--mode", "out-of-turn", "--after", "1"}), fake("white"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              std::string(kFinished) + "0-1 {black wrote out of turn: \"S 0 4 M 0 5\\x0a\"}\n");
    expect_players_gone();

    // White answering before black has moved cannot be answering anything:
    // it loses once black has moved. Only a player that may think while its
    // opponent is to move can write then; black takes its time, so white's
    // line is there long before black's move.
    run = play(fake("black", {"--delay-ms", "200"}), fake("white", {"--mode", "early"}),
               {"--ponder"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              std::string(kFinished) + "1-0 {white wrote out of turn: \"S 1 2 M 1 3\\x0a\"}\n");
    expect_players_gone();
}

// Both sides break the rules in one turn: the side to move is judged first
// (its line, its fault or its clock), whatever the other wrote meanwhile and
// whichever pipe the referee read first, so every run gives one verdict.
TEST_F(Faults, BothBreakingTheRulesInOneTurnGetTheSameVerdictEveryRun) {
    const std::vector<std::string> early{"--mode", "early"};
    const struct {
        std::vector<std::string> black;
        std::vector<std::string> options;
        std::string expected;
    } cases[] = {
        // At once, the two lines racing each other.
        {{"--mode", "malformed"},
         {"--ponder"},
         "0-1 {black wrote a malformed move line: \"S 0 5 X 9\""},
        // White's line comes first, by far.
        {{"--mode", "malformed", "--delay-ms", "200"},
         {"--ponder"},
         "0-1 {black wrote a malformed move line: \"S 0 5 X 9\""},
        // Frozen as soon as it has its header, white may or may not have
        // written yet.
        {{"--mode", "malformed"}, {}, "0-1 {black wrote a malformed move line: \"S 0 5 X 9\""},
        {{"--mode", "crash"}, {"--ponder"}, "0-1 {black exited: killed by signal 6"},
        // Black's clock runs out while white's line waits.
        {{"--mode", "silent"},
         {"--ponder", "--move-time", "0.2"},
         "0-1 {black exceeded the time per move: the limit is 0.2 s}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        for (int run_number = 1; run_number <= 4; ++run_number) {
            const RefereeRun run = play(fake("black", c.black), fake("white", early), c.options);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out.rfind(kFinished + c.expected, 0), 0u)
                << "run " << run_number << ": " << run.out;
        }
        expect_players_gone();
    }
}

// A person to move who has not made up their mind: nothing typed yet.
class ThinkingPerson : public referee::PersonSeat {
  public:
    void begin_turn(const referee::Turn& /*turn*/) override {}
    std::optional<referee::LineOrEnd> take_line(referee::Clock::time_point /*now*/) override {
        return std::nullopt;
    }
    void watch(std::vector<int>& /*fds*/) const override {}
    void pump(const std::vector<int>& /*ready*/) override {}
    void leave() override {}
};

// A person is not kept waiting to move in a game a program has already lost
// (a program to move would be judged first).
TEST_F(Faults, AProgramsFaultEndsTheGameAtOnceWhileAPersonIsToMove) {
    referee::GameConfig config;
    config.rules = rules::RuleSet::Squares;
    config.time_control.seconds = 30;  // what a wrong wait would cost
    referee::GameObserver quiet;
    ThinkingPerson black;
    referee::ProgramSeat white(rules::Side::White,
                               {FAKE_PLAYER, "--mode", "early", "--pidfile", dir_ + "/white.pid"},
                               config, referee::Confinement{}, quiet);
    const auto result = referee::play_game(config, black, white, quiet);
    EXPECT_EQ(result.outcome.describe(), "white wrote out of turn: \"S 1 2 M 1 3\\x0a\"");
    EXPECT_TRUE(referee_test::process_gone(referee_test::read_pid(dir_ + "/white.pid")));
}

TEST_F(Faults, PlayersThatDieOrStopWritingOrReadingLose) {
    struct Case {
        std::vector<std::string> black;
        std::vector<std::string> white;
        std::string expected;
    };
    const Case cases[] = {
        {{"--mode", "crash", "--after", "2"}, {}, "0-1 {black exited: killed by signal 6"},
        {{"--mode", "kill", "--after", "1"}, {}, "0-1 {black exited: killed by signal 9"},
        {{}, {"--mode", "exit"}, "1-0 {white exited: exit status 0}"},
        {{"--mode", "exit", "--after", "2"}, {}, "0-1 {black exited: exit status 0}"},
        {{"--mode", "partial"},
         {},
         "0-1 {black ended its output in the middle of a line: \"S 0 5 M\" (exit status 0)}"},
        {{"--mode", "close-output"}, {}, "0-1 {black closed its output}"},
        {{"--mode", "close-input", "--after", "1"}, {}, "0-1 {black stopped reading its input}"},
        {{}, {"--mode", "close-input"}, "1-0 {white stopped reading its input}"},
        {{},
         {"--mode", "huge"},
         "1-0 {white wrote a line longer than the limit: more than 256 bytes, starting "
         "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        std::vector<std::string> both = c.black;
        both.insert(both.end(), c.white.begin(), c.white.end());
        const RefereeRun run =
            play(fake("black", c.black), fake("white", c.white), closes_stream(both));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind(kFinished + c.expected, 0), 0u) << run.out;
        expect_players_gone();
    }
}

TEST_F(Faults, FloodOfStandardErrorNeverBlocksTheGameNorFillsTheLog) {
    const std::vector<std::string> draw{"--plies", "6", "--no-repetition"};
    const std::string expected =
        std::string(kFinished) + "1/2-1/2 {the ply limit was reached: 6 plies}\n";
    // Dropped without a log...
    RefereeRun run = play(fake("black", {"--mode", "flood"}), fake("white"), draw);
    EXPECT_EQ(run.out, expected);
    // ...and written, cut into bounded lines, with one.
    auto logged = draw;
    logged.insert(logged.end(), {"--log", out_ + "/game.log"});
    run = play(fake("black", {"--mode", "flood"}), fake("white"), logged);
    EXPECT_EQ(run.out, expected);
    std::string log = referee_test::read_file(out_ + "/game.log");
    EXPECT_NE(log.find("!! black fake_player stderr: eeee"), std::string::npos);
    EXPECT_EQ(log.find(std::string(1001, 'e')), std::string::npos);
    expect_players_gone();

    // 200 MB in one go: the log keeps the first megabyte and says how much
    // more there was.
    run = play(fake("black", {"--mode", "flood", "--flood-mb", "200"}), fake("white"), logged);
    EXPECT_EQ(run.out, expected);
    log = referee_test::read_file(out_ + "/game.log");
    EXPECT_GT(log.size(), std::size_t{1} << 20);
    EXPECT_LT(log.size(), (std::size_t{1} << 20) + (64U << 10));
    const auto cut = log.find(" more bytes left out (the log keeps 1048576 bytes");
    ASSERT_NE(cut, std::string::npos);
    const auto number = log.rfind(' ', cut - 1) + 1;
    const auto left_out = std::stoull(log.substr(number, cut - number));
    EXPECT_GT(left_out, 200ULL * 1024 * 1024 - (2U << 20));
    // A smaller cap, by option.
    logged.insert(logged.end(), {"--stderr-limit", "64"});
    run = play(fake("black", {"--mode", "flood"}), fake("white"), logged);
    EXPECT_LT(referee_test::read_file(out_ + "/game.log").size(), std::size_t{80} << 10);
    expect_players_gone();
}

TEST_F(Faults, ReasonQuotesTheLastLineOfStandardError) {
    const std::string long_line(300, 'x');
    struct Case {
        std::vector<std::string> white;
        std::string expected;
    };
    const Case cases[] = {
        {{"--mode", "exit", "--exit-status", "2", "--say",
          "header: 12 rows, the board holds 6 to 10"},
         "1-0 {white exited: exit status 2 (\"header: 12 rows, the board holds 6 to 10\")}"},
        {{"--mode", "crash", "--after", "1", "--say", "assertion failed"},
         "1-0 {white exited: killed by signal 6 (Aborted) (\"assertion failed\")}"},
        {{"--mode", "close-output", "--after", "1", "--say", "bye\r"},
         "1-0 {white closed its output: \"bye\"}"},
        {{"--mode", "exit", "--after", "1", "--say", long_line},
         "1-0 {white exited: exit status 0 (\"" + std::string(200, 'x') + "...\")}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const RefereeRun run = play(fake("black"), fake("white", c.white), closes_stream(c.white));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, kFinished + c.expected + "\n");
        expect_players_gone();
    }
}

TEST_F(Faults, PlayersIgnoringEndOfInputAndTerminationAreKilled) {
    const std::vector<std::string> stubborn{"--linger", "--ignore-term"};
    const RefereeRun run = play(fake("black", stubborn), fake("white", stubborn), {"--plies", "2"});
    EXPECT_EQ(run.out, std::string(kFinished) + "1/2-1/2 {the ply limit was reached: 2 plies}\n");
    expect_players_gone();
}

TEST_F(Faults, ShufflingPlayersDrawByRepetitionUnlessTurnedOff) {
    RefereeRun run = play(fake("black"), fake("white"));
    EXPECT_EQ(run.out, std::string(kFinished) +
                           "1/2-1/2 {the same position occurred three times: after ply 8}\n");
    run = play(fake("black"), fake("white"), {"--no-repetition", "--plies", "30"});
    EXPECT_EQ(run.out, std::string(kFinished) + "1/2-1/2 {the ply limit was reached: 30 plies}\n");
    expect_players_gone();
}

// Black takes white's three soldiers one by one on a 6x2 board: white, to
// move with its town hall left, has nothing to move.
TEST_F(Faults, ASideToMoveWithoutALegalMoveLoses) {
    const RefereeRun run = play(fake("black", {"--script", "S 0 3 M 1 2,S 1 2 M 0 1,S 0 1 M 1 1"}),
                                fake("white", {"--script", "S 1 1 M 0 1,S 1 0 M 1 1"}),
                                {"--rows", "6", "--columns", "2", "--town-halls", "0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(kFinished) + "1-0 {white has no legal move}\n");
    expect_players_gone();
}

TEST_F(Faults, TownHallLimitDependsOnBoardWidthAndOption) {
    // The referee does not judge cannon geometry, so a "shot" from any black
    // soldier removes the town hall it names.
    const std::string shots = "S 0 5 B 0 0,S 0 5 B 2 0,S 0 5 B 4 0";
    RefereeRun run = play(fake("black", {"--script", shots}), fake("white"));
    EXPECT_EQ(run.out,
              std::string(kFinished) + "1-0 {white lost its town halls: 2 of them left}\n");

    const std::string wide = "S 0 7 B 0 0,S 0 7 B 2 0,S 0 7 B 4 0";
    const std::vector<std::string> ten{"--rows", "10",       "--columns",
                                       "10",     "--record", out_ + "/ten.txt"};
    run = play(fake("black", {"--script", wide}), fake("white"), ten);
    EXPECT_EQ(run.out,
              std::string(kFinished) + "1-0 {white lost its town halls: 2 of them left}\n");
    EXPECT_NE(referee_test::read_file(out_ + "/ten.txt").find("[PlyCount \"5\"]"),
              std::string::npos);

    auto stricter = ten;
    stricter.insert(stricter.end(), {"--town-halls", "3"});
    run = play(fake("black", {"--script", wide}), fake("white"), stricter);
    EXPECT_EQ(run.out,
              std::string(kFinished) + "1-0 {white lost its town halls: 3 of them left}\n");
    EXPECT_NE(referee_test::read_file(out_ + "/ten.txt").find("[PlyCount \"3\"]"),
              std::string::npos);
    expect_players_gone();
}

TEST_F(Faults, RecordAndLogTellTheWholeGame) {
    const std::string record_path = out_ + "/game.txt";
    const std::string log_path = out_ + "/game.log";
    const RefereeRun run = play(fake("black", {"--script", "S 0 5 B 0 0,S 2 5 M 3 4,S 0 5 B 2 0"}),
                                fake("white"), {"--record", record_path, "--log", log_path});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string record = referee_test::read_file(record_path);
    for (const char* tag :
         {"[Black \"fake_player\"]", "[White \"fake_player\"]", "[Rows \"8\"]", "[Columns \"8\"]",
          "[TimeControl \"150\"]", "[Result \"1-0\"]",
          "[Termination \"white lost its town halls: 2 of them left\"]", "[PlyCount \"5\"]",
          "[Event \"", "[Date \"", "[GameStartTime \"", "[GameEndTime \""}) {
        EXPECT_NE(record.find(tag), std::string::npos) << tag << "\n" << record;
    }
    const auto moves = test_support::record_moves(record);
    const std::vector<std::string> expected{"S 0 5 B 0 0", "S 1 2 M 1 3", "S 2 5 M 3 4",
                                            "S 1 3 M 1 2", "S 0 5 B 2 0"};
    EXPECT_EQ(moves, expected);
    EXPECT_NE(record.find("S 0 5 B 0 0 {"), std::string::npos);

    // Replaying the record gives the board the game ended on.
    auto board = rules::Board::starting(8, 8);
    for (const auto& line : moves)
        board.apply(*protocol::parse_move(line));
    EXPECT_EQ(board.town_halls(rules::Side::White), 2);
    EXPECT_EQ(board.at(3, 4), rules::Cell::BlackSoldier);

    const std::string log = referee_test::read_file(log_path);
    EXPECT_NE(log.find("-> black fake_player: 1 8 8 150"), std::string::npos) << log;
    EXPECT_NE(log.find("-> white fake_player: 2 8 8 150"), std::string::npos);
    EXPECT_NE(log.find("<- black fake_player: S 0 5 B 0 0"), std::string::npos);
    EXPECT_NE(log.find("-> white fake_player: S 0 5 B 0 0"), std::string::npos);
    EXPECT_NE(log.find("== Finished game 1"), std::string::npos);
    expect_players_gone();
}

TEST_F(Faults, RecordAndLogMustBeTwoFilesThatCanBeOpened) {
    const std::string record = out_ + "/game.txt";
    referee_test::write_file(record, "an earlier record\n");
    std::filesystem::create_symlink(record, out_ + "/link.txt");
    for (const std::string& log : {record, out_ + "/link.txt", out_ + "/./game.txt"}) {
        const RefereeRun run =
            play(fake("black"), fake("white"), {"--record", record, "--log", log});
        EXPECT_EQ(run.status, 2) << log;
        EXPECT_NE(run.err.find("the same file"), std::string::npos) << run.err;
    }
    EXPECT_EQ(referee_test::read_file(record), "an earlier record\n");

    for (const char* option : {"--record", "--log"}) {
        const RefereeRun run =
            play(fake("black"), fake("white"), {option, out_ + "/no-such-dir/file.txt"});
        EXPECT_EQ(run.status, 1) << option;
        EXPECT_NE(run.err.find("cannot open"), std::string::npos) << run.err;
    }
    EXPECT_EQ(referee_test::processes_mentioning(dir_), 0);

    // Names chosen on the command line go wherever a name is shown.
    const RefereeRun run = play(fake("black"), fake("white"),
                                {"--record", record, "--name-black", "Ann", "--name-white", "Bo"});
    EXPECT_EQ(run.out.rfind("Finished game 1 (Ann vs Bo): ", 0), 0u) << run.out;
    const std::string text = referee_test::read_file(record);
    EXPECT_NE(text.find("[Black \"Ann\"]\n[White \"Bo\"]"), std::string::npos) << text;
    expect_players_gone();
}

TEST(ExitStatus, UsageErrorsAndUnstartablePlayers) {
    const std::string dir = referee_test::scratch_dir("exit_status");
    EXPECT_EQ(referee_test::run_referee(REFEREE, {}).status, 2);
    EXPECT_EQ(referee_test::run_referee(REFEREE, {"--rows", "x", "a", "b"}).status, 2);
    const RefereeRun help = referee_test::run_referee(REFEREE, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: referee"), std::string::npos);

    // Black starts, white cannot: black must not be left behind.
    const std::string black = referee_test::command(FAKE_PLAYER, {"--pidfile", dir + "/b.pid"});
    const RefereeRun run =
        referee_test::run_referee(REFEREE, {"--quiet", black, dir + "/no-such-player"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("no-such-player"), std::string::npos) << run.err;
    EXPECT_EQ(referee_test::processes_mentioning(dir), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
