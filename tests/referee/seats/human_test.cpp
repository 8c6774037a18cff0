// A person at the terminal, scripted through a pipe: what they type is
// answered or refused without costing the game, and their seat keeps the
// same clock and end rules as a program's.
#include "referee/seats/human.h"
#include "record_moves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "fake_game.h"
#include "gamepage/terminal.h"
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
    EXPECT_NE(run.out.find(gamepage::render_board(start, std::nullopt, false)), std::string::npos);
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
    const auto moves = test_support::record_moves(referee_test::read_file(dir + "/game.txt"));
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
        const std::set<std::string> once(listed.begin(), listed.end());
        EXPECT_EQ(once.size(), listed.size());
        const auto& expected = rule_set == "treeplayer"   ? tree
                               : rule_set == "gridplayer" ? grid
                                                          : std::vector(both.begin(), both.end());
        EXPECT_EQ(once, std::set<std::string>(expected.begin(), expected.end()));
        EXPECT_EQ(run.out.find("Any move passes here") != std::string::npos, rule_set == "squares");
        // Two namings of one shot appear only where both readings count.
        EXPECT_EQ(run.out.find(" = S ") != std::string::npos,
                  rule_set == "either" || rule_set == "squares");
    }
}

// The moves under a heading of the "moves" listing, up to the next heading.
std::vector<std::string> under(const std::string& listing, const std::string& heading) {
    const auto begin = listing.find("  " + heading);
    if (begin == std::string::npos)
        return {};
    auto end = listing.find(":\n", listing.find('\n', begin));
    end = end == std::string::npos ? listing.size() : listing.rfind('\n', end);
    const std::string part = listing.substr(begin, end - begin);
    const std::regex move("S \\d+ \\d+ [MB] \\d+ \\d+( = S \\d+ \\d+ B \\d+ \\d+)?");
    return {std::sregex_token_iterator(part.begin(), part.end(), move),
            std::sregex_token_iterator()};
}

TEST(Human, ThePromptSaysWhoIsPlayedAndMovesAreGroupedWithShotsNamedOnce) {
    // White's turn comes after black's step; each seat says who it is.
    const RefereeRun run =
        referee_with_input({"--quiet", "human", "human"}, "S 0 5 M 0 4\nmoves\nresign\n");
    EXPECT_EQ(run.status, 0) << run.err;
    const auto black = run.out.find("You play black: your soldiers are b and your town halls B");
    const auto white = run.out.find("You play white: your soldiers are w and your town halls W");
    ASSERT_NE(black, std::string::npos) << run.out;
    ASSERT_NE(white, std::string::npos) << run.out;
    EXPECT_NE(run.out.find("toward row 0", black), std::string::npos);
    EXPECT_NE(run.out.find("toward row 7", white), std::string::npos);
    EXPECT_NE(run.out.find("black (b B, moving up, "), std::string::npos);
    EXPECT_NE(run.out.find("white (w W, moving down, "), std::string::npos);

    // Every listed move sits under the heading of its kind, judged from the
    // squares it joins; a shot's two namings share one entry.
    auto board = rules::Board::starting(8, 8);
    board.apply({'S', 0, 5, 'M', 0, 4});
    const std::string listing = run.out.substr(run.out.find("moves\n"));
    std::size_t shots_twice = 0;
    std::size_t entries = 0;
    for (const std::string heading : {"steps", "cannon slides", "shots", "captures", "retreats"}) {
        for (const std::string& entry : under(listing, heading)) {
            ++entries;
            const auto move = *protocol::parse_move(entry.substr(0, 11));
            const int dx = move.x2 - move.x1;
            const int dy = move.y2 - move.y1;
            SCOPED_TRACE(entry);
            EXPECT_EQ(rules::belongs_to(board.at(move.x1, move.y1), rules::Side::White), true);
            if (heading == "steps") {
                EXPECT_EQ(dy, 1);
                EXPECT_LE(std::abs(dx), 1);
                EXPECT_EQ(board.at(move.x2, move.y2), rules::Cell::Empty);
            } else if (heading == "cannon slides") {
                EXPECT_EQ(std::max(std::abs(dx), std::abs(dy)), 3);
            } else if (heading == "shots") {
                EXPECT_EQ(move.action, 'B');
                if (entry.size() > 11) {
                    ++shots_twice;
                    const auto other = *protocol::parse_move(entry.substr(14));
                    EXPECT_EQ(other.x2, move.x2);
                    EXPECT_EQ(other.y2, move.y2);
                    // One of the two is treeplayer's naming, the other gridplayer's.
                    EXPECT_NE(!rules::refusal(board, rules::Side::White, move,
                                              rules::RuleSet::Treeplayer),
                              !rules::refusal(board, rules::Side::White, other,
                                              rules::RuleSet::Treeplayer));
                }
            }
        }
    }
    EXPECT_GT(shots_twice, 0U);
    EXPECT_NE(listing.find("A = joins two namings of one shot"), std::string::npos);
    const auto all = referee::listed_moves(board, rules::Side::White, rules::RuleSet::Either);
    EXPECT_EQ(entries + shots_twice, all.size());
    EXPECT_NE(
        listing.find("white has " + std::to_string(all.size() - shots_twice) + " legal moves"),
        std::string::npos)
        << listing;
}

TEST(Human, AShotIsDrawnAsAShotAndTheFirstBoardHasTheClocks) {
    auto board = rules::Board::starting(8, 8);
    for (const protocol::MoveLine& move :
         {protocol::MoveLine{'S', 0, 7, 'M', 0, 4}, protocol::MoveLine{'S', 7, 2, 'M', 7, 3},
          protocol::MoveLine{'S', 0, 6, 'M', 0, 3}})
        board.apply(move);
    const protocol::MoveLine shot{'S', 0, 4, 'B', 0, 1};
    board.apply(shot);
    const std::string drawn = gamepage::render_board(board, shot, false);
    // Row 1 shows the emptied square starred, row 4 the shooter still there
    // in parentheses; nothing is bracketed as if a piece had moved.
    std::istringstream rows(drawn);
    std::map<int, std::string> row;
    for (std::string line; std::getline(rows, line);) {
        if (line.size() > 4 && std::isdigit(static_cast<unsigned char>(line[2])))
            row[line[2] - '0'] = line.substr(4, 3);
    }
    EXPECT_EQ(row[1], "*.*");
    EXPECT_EQ(row[4], "(b)");
    EXPECT_EQ(drawn.find('['), std::string::npos);

    // Watching a game between programs: the start has its clocks too.
    const RefereeRun watched = referee_with_input({"--plies", "2", RANDOMBOT, RANDOMBOT}, "");
    EXPECT_EQ(watched.status, 0) << watched.err;
    EXPECT_TRUE(watched.out.starts_with("black to move | clocks black 150.0 s, white 150.0 s\n"))
        << watched.out;
    // Not a terminal: --watch changes nothing, so scripts keep their output.
    const RefereeRun plain =
        referee_with_input({"--plies", "2", "--watch", RANDOMBOT, RANDOMBOT}, "");
    EXPECT_EQ(plain.out.find("\033["), std::string::npos);
    EXPECT_EQ(plain.out.substr(0, plain.out.find("ply 1")),
              watched.out.substr(0, watched.out.find("ply 1")));

    // On a terminal (script gives the referee one) every board of a match
    // is drawn in place, and game 2's boards keep game 1's result below.
    if (!std::filesystem::exists("/usr/bin/script"))
        GTEST_SKIP() << "no script(1) to give the referee a terminal";
    const std::string command = referee_test::command(
        REFEREE, {"--plies", "2", "--games", "2", "--watch", RANDOMBOT, RANDOMBOT});
    const auto on_terminal =
        test_support::run_process({"script", "-qec", command, "/dev/null"}, "");
    EXPECT_EQ(on_terminal.status, 0) << on_terminal.err;
    std::vector<std::string> screens;
    for (auto at = on_terminal.out.find(referee::kRedraw); at != std::string::npos;) {
        const auto next = on_terminal.out.find(referee::kRedraw, at + 1);
        screens.push_back(on_terminal.out.substr(at, next - at));
        at = next;
    }
    ASSERT_EQ(screens.size(), 6U) << on_terminal.out;  // the start and two plies, twice
    EXPECT_EQ(screens[0].find("Finished game"), std::string::npos);
    EXPECT_GT(screens[3].find("Finished game 1"), screens[3].find("  y\r\n")) << screens[3];
    EXPECT_NE(screens[3].find("Finished game 1"), std::string::npos) << screens[3];
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
    void line(rules::Side /*side*/, referee::Direction direction, std::string_view text) override {
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
    config.time_control.seconds = 50;
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
