// A person at the terminal, scripted through a pipe: what they type is
// answered or refused without costing the game, and their seat keeps the
// same clock and end rules as a program's.
#include "referee/seats/human.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "fake_game.h"
#include "referee/common/fd.h"
#include "referee/game/display.h"
#include "referee/game/game.h"
#include "referee/game/record.h"
#include "referee/seats/seating.h"
#include "rules/legal_moves.h"
#include "run_referee.h"

namespace {

using namespace std::chrono_literals;
using referee_test::RefereeRun;

RefereeRun referee_with_input(std::vector<std::string> args, const std::string& input) {
    args.insert(args.begin(), "--no-color");
    test_support::RunOptions options;
    options.input = input;
    return referee_test::run_referee(REFEREE, args, options);
}

// The moves a "moves" command listed, in order.
std::vector<std::string> listed_in(const std::string& out) {
    const auto begin = out.find("moves\n");
    const std::string listing = out.substr(begin, out.find("> resign") - begin);
    const std::regex move("S \\d+ \\d+ [MB] \\d+ \\d+");
    return {std::sregex_token_iterator(listing.begin(), listing.end(), move),
            std::sregex_token_iterator()};
}

std::vector<std::string> texts(const std::vector<protocol::MoveLine>& moves) {
    std::vector<std::string> out;
    out.reserve(moves.size());
    for (const auto& move : moves)
        out.push_back(protocol::format_move(move));
    return out;
}

TEST(Human, RefusedLinesCostNothingAndResignLoses) {
    const std::string dir = referee_test::scratch_dir("human_refused");
    const std::string long_line(300, 'x');
    const RefereeRun run = referee_with_input(
        {"--quiet", "--rules", "gridplayer", "--record", dir + "/game.txt", "human", FAKE_PLAYER},
        "hello\nS 0 5 M 0 3\n" + long_line + "\nhelp\n  0 5   m 0 4 \nresign\n");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto start = rules::Board::starting(8, 8);
    // Shown before the first move although quiet.
    EXPECT_NE(run.out.find(referee::render_board(start, std::nullopt, false)), std::string::npos);
    std::string not_a_move;
    protocol::parse_move("hello", &not_a_move);
    EXPECT_NE(run.out.find("refused \"hello\": " + not_a_move), std::string::npos) << run.out;
    const auto illegal = rules::refusal(start, rules::Side::Black, {'S', 0, 5, 'M', 0, 3},
                                        rules::RuleSet::Gridplayer);
    ASSERT_TRUE(illegal);
    EXPECT_NE(run.out.find("refused \"S 0 5 M 0 3\": " + *illegal), std::string::npos);
    // The over-long line is refused once, not piece by piece.
    std::size_t refusals = 0;
    for (auto at = run.out.find("\nrefused "); at != std::string::npos;
         at = run.out.find("\nrefused ", at + 1))
        ++refusals;
    EXPECT_EQ(refusals, 3U);
    EXPECT_NE(run.out.find(referee::human_help(rules::RuleSet::Gridplayer)), std::string::npos);
    // The loose spelling was played and answered, and the game went on.
    const auto moves = referee::record_moves(referee_test::read_file(dir + "/game.txt"));
    ASSERT_EQ(moves.size(), 2U);
    EXPECT_EQ(moves[0], "S 0 5 M 0 4");
    EXPECT_TRUE(run.out.ends_with("Finished game 1 (human vs fake_player): 0-1 {black resigned}\n"))
        << run.out;
    std::filesystem::remove_all(dir);
}

TEST(Human, MovesListsTheRulesLibrarysMovesUnderEachRuleSet) {
    const auto start = rules::Board::starting(8, 8);
    const auto tree =
        texts(rules::legal_moves(start, rules::Side::Black, rules::Reading::Treeplayer));
    const auto grid =
        texts(rules::legal_moves(start, rules::Side::Black, rules::Reading::Gridplayer));
    std::set<std::string> both(tree.begin(), tree.end());
    both.insert(grid.begin(), grid.end());
    for (const std::string rule_set : {"treeplayer", "gridplayer", "either", "squares"}) {
        SCOPED_TRACE(rule_set);
        const RefereeRun run = referee_with_input(
            {"--quiet", "--rules", rule_set, "human", FAKE_PLAYER}, "moves\nresign\n");
        EXPECT_EQ(run.status, 0) << run.err;
        const auto listed = listed_in(run.out);
        if (rule_set == "treeplayer" || rule_set == "gridplayer") {
            EXPECT_EQ(listed, rule_set == "treeplayer" ? tree : grid);
            continue;
        }
        // Both readings' moves, each once, treeplayer's in its own order first.
        EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), both);
        ASSERT_EQ(listed.size(), both.size());
        EXPECT_TRUE(std::equal(tree.begin(), tree.end(), listed.begin()));
        EXPECT_EQ(run.out.find("Any move passes here") != std::string::npos, rule_set == "squares");
    }
}

TEST(Human, EndOfInputResignsAndMatchesAlternateTheHumansColour) {
    const std::string dir = referee_test::scratch_dir("human_match");
    const std::string fake = referee_test::command(FAKE_PLAYER, {"--pidfile", dir + "/fake.pid"});
    const RefereeRun run = referee_with_input(
        {"--quiet", "--player-dir", dir, "--games", "2", "human", fake}, "resign\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Finished game 1 (human vs fake_player): 0-1 {black resigned}\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(
        run.out.find("Finished game 2 (fake_player vs human): 1-0 {white resigned: end of "
                     "input}\nScore of human vs fake_player: 0 - 2 - 0 (wins - losses - draws)\n"),
        std::string::npos)
        << run.out;
    const pid_t pid = referee_test::read_pid(dir + "/fake.pid");
    EXPECT_GT(pid, 0);
    // A sandboxed player's pid is its own namespace's.
    if (!referee_test::sandbox_works()) {
        EXPECT_TRUE(referee_test::all_gone({pid}));
    }
    EXPECT_EQ(referee_test::processes_mentioning(dir), 0);
    std::filesystem::remove_all(dir);
}

TEST(Human, TwoPeopleAtOneKeyboardPlayToATownHallLoss) {
    // Black's column-0 cannon slides up twice and shoots white's corner town
    // hall; white's moves on column 7 stay out of its way.
    const RefereeRun run =
        referee_with_input({"--town-halls", "3", "human", "human"},
                           "S 0 7 M 0 4\nS 7 2 M 7 3\nS 0 6 M 0 3\nS 7 3 M 7 4\nS 0 4 B 0 0\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with(
        "Finished game 1 (human vs human): 1-0 {white lost its town halls: 3 of them left}\n"))
        << run.out;
    EXPECT_NE(run.out.find("ply 4: white played S 7 3 M 7 4"), std::string::npos);
}

// Keeps every line sent to a program.
class SentLines : public referee::GameObserver {
  public:
    void line(referee::Side /*side*/, referee::Direction direction,
              std::string_view text) override {
        if (direction == referee::Direction::ToPlayer)
            sent.emplace_back(text);
    }
    std::vector<std::string> sent;
};

TEST(Human, HumanTimeIsThePersonsClockAlone) {
    // Input that stays open and silent: the person never answers.
    referee::Pipe input = referee::Pipe::open();
    referee::Keyboard keyboard(input.read.get());
    std::ostringstream screen;
    const referee::Terminal terminal{&keyboard, &screen, false, false, false};
    referee::GameConfig config;
    config.time_seconds = 50;
    config.human_time_seconds = 500;
    config.exit_grace = 0ms;
    // Every reading of the clock 100 s after the last.
    referee::Clock::time_point ticking{};
    config.now = [&] { return ticking += 100s; };
    const std::vector<std::string> fake{FAKE_PLAYER};
    const std::vector<std::string> human{"human"};

    // The program's 50 s are gone with its first move; the person's 500 s
    // would have lasted.
    SentLines lines;
    auto result = referee::play_commands(config, fake, human, lines, {&terminal, {}});
    EXPECT_EQ(result.outcome.describe(), "black ran out of time");
    EXPECT_EQ(lines.sent, std::vector<std::string>{"1 8 8 50"});

    // The person starts with 5 s and loses them thinking; the program still
    // hears its own 50 s.
    config.human_time_seconds = 5;
    lines.sent.clear();
    result = referee::play_commands(config, human, fake, lines, {&terminal, {}});
    EXPECT_EQ(result.outcome.describe(), "black ran out of time");
    EXPECT_TRUE(result.moves.empty());
    EXPECT_NE(screen.str().find("clocks black 5.0 s, white 50.0 s"), std::string::npos)
        << screen.str();
    // The prompt that waited in vain is ended, so the result starts a line.
    EXPECT_TRUE(screen.str().ends_with("> \n")) << screen.str();
    EXPECT_EQ(lines.sent, std::vector<std::string>{"2 8 8 50"});
}

}  // namespace
