// Reading records: what the referee writes comes back move for move, a cut
// record still replays, and a broken one is reported at its line.
#include <gtest/gtest.h>

#include "gamepage/svg.h"
#include "record_moves.h"
#include "records/record.h"
#include "replay/terminal.h"
#include "support.h"

namespace {

using records::Game;
using records::RecordError;

std::vector<Game> games_of(const std::string& text) {
    auto read = records::read_record(text);
    if (const auto* error = std::get_if<RecordError>(&read)) {
        ADD_FAILURE() << "line " << error->line << ": " << error->why;
        return {};
    }
    return std::get<std::vector<Game>>(read);
}

// Random games on board sizes from 6x2 to 10x10: every move and its time
// come back, and at every ply the terminal display and the SVG picture show
// the board that the record's move lines lead to.
TEST(ReplayRecord, RandomGamesDrawnAsTheBoardHasThem) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const int rows = 6 + static_cast<int>(seed % 5);
        const int columns = 2 + static_cast<int>(seed * 3 % 9);
        const std::string text = replay_test::random_record(seed, rows, columns, 80);
        const auto games = games_of(text);
        ASSERT_EQ(games.size(), 1U);
        const Game& game = games[0];
        const auto lines = test_support::record_moves(text);
        ASSERT_EQ(game.plies(), static_cast<int>(lines.size()));
        auto board = rules::Board::starting(rows, columns);
        for (int ply = 0; ply <= game.plies(); ++ply) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " ply " + std::to_string(ply));
            std::optional<protocol::MoveLine> last;
            if (ply > 0) {
                last = protocol::parse_move(lines[static_cast<std::size_t>(ply - 1)]);
                ASSERT_EQ(game.moves[static_cast<std::size_t>(ply - 1)].move, last);
                board.apply(*last);
            }
            EXPECT_EQ(replay_test::letters_from_display(replay::render_position(game, ply, false)),
                      replay_test::letters(board));
            const auto drawn =
                replay_test::drawing_in(gamepage::svg_picture(board, last), rows, columns);
            EXPECT_EQ(drawn.letters, replay_test::letters(board));
            EXPECT_EQ(drawn.marks, replay_test::marks_of(last));
        }
    }
}

// A match record holds its games one after another; names with quotes and
// backslashes come back as the players gave them.
TEST(ReplayRecord, MatchRecordWithEscapedNames) {
    referee::GameResult first;
    first.moves = {{rules::Side::Black, {'S', 0, 5, 'M', 0, 4}, 1.25}};
    first.outcome = {referee::EndReason::Exited, rules::Side::White, "exit status 3"};
    referee::GameResult second;
    std::ostringstream out;
    referee::write_record(out, {"m", "say \"hi\"", "back\\slash", 8, 10, {60}}, first);
    referee::write_record(out, {"m", "back\\slash", "say \"hi\"", 8, 10, {60}}, second);
    const auto games = games_of(out.str());
    ASSERT_EQ(games.size(), 2U);
    EXPECT_EQ(games[0].tag("Black"), "say \"hi\"");
    EXPECT_EQ(games[0].tag("White"), "back\\slash");
    EXPECT_EQ(games[0].columns, 10);
    EXPECT_EQ(games[0].moves.at(0).seconds, 1.25);
    EXPECT_EQ(games[0].moves.at(0).line, 14);
    EXPECT_EQ(games[0].result, "1-0");
    EXPECT_EQ(replay::result_text(games[0]), "1-0 {white exited: exit status 3}");
    EXPECT_EQ(games[1].plies(), 0);
    EXPECT_EQ(games[1].tag("Black"), "back\\slash");
}

// A record cut off after any move line is a game without result, whether
// the file ends there or the next game's tags follow.
TEST(ReplayRecord, InterruptedGameHasNoResult) {
    const std::string text = replay_test::random_record(7, 8, 8, 20);
    const std::size_t moves_start = text.find("\n\n") + 2;
    std::size_t cut = moves_start;
    for (int kept = 0; kept <= 20; ++kept) {
        const std::string head = text.substr(0, cut);
        for (const std::string& rest : {std::string(), std::string("*\n"), text}) {
            const auto games = games_of(head + rest);
            ASSERT_EQ(games.size(), rest.size() > 2 ? 2U : 1U);
            EXPECT_EQ(games[0].plies(), kept);
            EXPECT_EQ(games[0].result, "*");
        }
        cut = text.find('\n', cut) + 1;
    }
    EXPECT_EQ(replay::result_text(games_of("S 0 5 M 0 4\n").at(0)), "* {the record stops here}");
}

// A record's TimeControl with an increment and a bound per move ("150+2
// move 5") reaches replay's clocks, which add the increment after each move:
// black's clock after its second move is 150 - 1.5 + 2 - 0.5 + 2.
TEST(ReplayRecord, TimeControlWithIncrementReachesTheClocks) {
    referee::GameResult played;
    played.moves = {{rules::Side::Black, {'S', 0, 5, 'M', 0, 4}, 1.5},
                    {rules::Side::White, {'S', 1, 2, 'M', 1, 3}, 3.0},
                    {rules::Side::Black, {'S', 0, 4, 'M', 0, 3}, 0.5}};
    std::ostringstream out;
    referee::write_record(out, {"m", "b", "w", 8, 8, {150, 2, 5}}, played);
    EXPECT_NE(out.str().find("[TimeControl \"150+2 move 5\"]"), std::string::npos) << out.str();
    const auto games = games_of(out.str());
    ASSERT_EQ(games.size(), 1U);
    EXPECT_EQ(games[0].time_control.increment, 2);
    EXPECT_EQ(games[0].time_control.move_seconds, 5);
    const auto clocks = records::clocks_after(games[0], 3);
    EXPECT_DOUBLE_EQ(clocks[0], 152);
    EXPECT_DOUBLE_EQ(clocks[1], 149);
    EXPECT_NE(
        replay::render_position(games[0], 3, false).find("clocks black 152.0 s, white 149.0 s"),
        std::string::npos)
        << replay::render_position(games[0], 3, false);
    // The whole game carries its clocks from ply to ply and must agree.
    std::ostringstream whole;
    replay::render_game(whole, games[0], false);
    EXPECT_NE(whole.str().find("clocks black 152.0 s, white 149.0 s"), std::string::npos)
        << whole.str();
}

}  // namespace
