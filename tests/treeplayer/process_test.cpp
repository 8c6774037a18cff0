// Process tests of the game loop and its input rules: the built
// treeplayer with a scripted standard input; standard output, standard
// error and the exit status are checked exactly. Expected moves come from
// the library (the same create_tree + minimax the program runs).
#include <gtest/gtest.h>

#include "process_runner.h"
#include "process_support.h"
#include "test_support.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;
using test_support::ProcessResult;
using test_support::run_process;

namespace {

ProcessResult run_treeplayer(const std::string& input) {
    return run_process({TREEPLAYER_BINARY}, input);
}

std::string line(const Move& m) {
    return move_text(m) + "\n";
}

std::string echo(const std::string& move) {
    return "Move from computer: " + move + "\n\n";
}

Move chosen(const Board& board, bool black) {
    Move m{};
    EXPECT_TRUE(choose_move(board, black, m));
    return m;
}

}  // namespace

TEST(Process, PlayerOneMovesFirstThenEndOfInput) {
    const auto r = run_treeplayer("1 8 8 150\n");
    EXPECT_EQ(r.out, line(chosen(initialise(), true)));
    EXPECT_EQ(r.out, "S 6 7 M 7 6\n");  // the last of the -31 replies
    EXPECT_EQ(r.err, "1 150 8 8\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Process, PlayerTwoReadsFirst) {
    const auto r = run_treeplayer("2 8 8 150\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "2 150 8 8\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Process, ReceivedMovesAreEchoedAndAnswered) {
    const Move black1 = step(0, 5, 0, 4);
    Board b = Update_board(black1, initialise());
    const Move white1 = chosen(b, false);
    b = Update_board(white1, b);
    const Move black2 = step(2, 5, 2, 4);
    b = Update_board(black2, b);
    const Move white2 = chosen(b, false);
    const auto r = run_treeplayer("2 8 8 150\nS 0 5 M 0 4\nS   2 5\nM 2\n4\n");
    EXPECT_EQ(r.out, line(white1) + line(white2));
    EXPECT_EQ(r.err, "2 150 8 8\n" + echo("S 0 5 M 0 4") + echo("S 2 5 M 2 4"));
    EXPECT_EQ(r.status, 0);
}

TEST(Process, HeaderWithNewlinesIsAccepted) {
    const auto r = run_treeplayer("1\n8\n8\n150\n");
    EXPECT_EQ(r.out, line(chosen(initialise(), true)));
    EXPECT_EQ(r.err, "1 150 8 8\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Process, ShotsAndUnknownActionLettersAreApplied) {
    // A shot empties its target only; an unknown action letter is a move and
    // the piece letter is not examined.
    Board b = Update_board(shot(0, 6, 1, 2), initialise());
    const Move reply1 = chosen(b, false);
    b = Update_board(reply1, b);
    b = Update_board(Move{'Q', 2, 5, 'X', 2, 4}, b);
    const Move reply2 = chosen(b, false);
    const auto r = run_treeplayer("2 8 8 150\nS 0 6 B 1 2\nQ 2 5 X 2 4\n");
    EXPECT_EQ(r.out, line(reply1) + line(reply2));
    EXPECT_EQ(r.err, "2 150 8 8\n" + echo("S 0 6 B 1 2") + echo("Q 2 5 X 2 4"));
    EXPECT_EQ(r.status, 0);
}

TEST(Process, BadHeaderExitsTwoWithOneLine) {
    struct Case {
        const char* input;
        const char* err;
    } cases[] = {
        {"1 8 x 150\n", "treeplayer: bad header \"1 8 x\": field 3 is not an integer\n"},
        {"", "treeplayer: bad header \"\": expected four integers, input ended after 0\n"},
        {"1 8 8\n",
         "treeplayer: bad header \"1 8 8\": expected four integers, input ended after 3\n"},
        {"1 8 8 99999999999\n",
         "treeplayer: bad header \"1 8 8 99999999999\": field 4 is not an integer\n"},
        {"S 0 5 M 0 4\n", "treeplayer: bad header \"S\": field 1 is not an integer\n"},
        // Only ids 1 and 2 say which side to play.
        {"0 8 8 150\n", "treeplayer: bad header \"0 8 8 150\": the player id must be 1 or 2\n"},
        {"3 8 8 150\n", "treeplayer: bad header \"3 8 8 150\": the player id must be 1 or 2\n"},
        {"-1 8 8 150\n", "treeplayer: bad header \"-1 8 8 150\": the player id must be 1 or 2\n"},
        // Its moves are 8 x 8 moves: any other board would lose at once.
        {"1 10 10 150\n", "treeplayer: bad header \"1 10 10 150\": the board must be 8 x 8\n"},
        {"2 8 10 150\n", "treeplayer: bad header \"2 8 10 150\": the board must be 8 x 8\n"},
        {"1 10 8 150\n", "treeplayer: bad header \"1 10 8 150\": the board must be 8 x 8\n"},
        // The id is judged first.
        {"3 10 10 150\n", "treeplayer: bad header \"3 10 10 150\": the player id must be 1 or 2\n"},
    };
    for (const auto& c : cases) {
        const auto r = run_treeplayer(c.input);
        EXPECT_EQ(r.out, "") << c.input;
        EXPECT_EQ(r.err, c.err) << c.input;
        EXPECT_EQ(r.status, 2) << c.input;
    }
}

TEST(Process, UnsafeMovesExitTwoWithOneLineAndNothingApplied) {
    struct Case {
        const char* move;
        const char* why;
    } cases[] = {
        {"S 0 5 Q x 4", "\"S 0 5 Q x 4\": coordinates must be integers"},
        {"S 0 5 M 0 8", "\"S 0 5 M 0 8\": coordinates must lie in 0..7"},
        {"S -1 5 M 0 4", "\"S -1 5 M 0 4\": coordinates must lie in 0..7"},
        {"S 0 5 M 0 40000000000", "\"S 0 5 M 0 40000000000\": coordinates must be integers"},
        {"S 0 5 MM 0 4", "\"S 0 5 MM 0 4\": the action must be one letter"},
        {"S0 5 M 0 4 1", "\"S0 5 M 0 4 1\": the piece must be one letter"},
        {"S 0 5 M", "\"S 0 5 M\": expected six tokens, input ended after 4"},
    };
    for (const auto& c : cases) {
        // As player 2: nothing is written on standard output.
        auto r = run_treeplayer(std::string("2 8 8 150\n") + c.move + "\n");
        EXPECT_EQ(r.out, "") << c.move;
        EXPECT_EQ(r.err, std::string("2 150 8 8\ntreeplayer: bad move ") + c.why + "\n") << c.move;
        EXPECT_EQ(r.status, 2) << c.move;
        // As player 1: the first move is written, then the bad reply ends it.
        r = run_treeplayer(std::string("1 8 8 150\n") + c.move + "\n");
        EXPECT_EQ(r.out, line(chosen(initialise(), true))) << c.move;
        EXPECT_EQ(r.err, std::string("1 150 8 8\ntreeplayer: bad move ") + c.why + "\n") << c.move;
        EXPECT_EQ(r.status, 2) << c.move;
    }
}

TEST(Process, NoLegalMoveEndsQuietly) {
    // The opponent shoots white's soldiers one by one (moves are not checked);
    // once white has no soldier, and so no move, treeplayer exits 0 silently.
    Board b = initialise();
    std::string input = "2 8 8 150\n";
    std::string expectedOut;
    std::string expectedErr = "2 150 8 8\n";
    for (int turn = 0; turn < 40; ++turn) {
        const auto white = Soldiers_list(WHITE_SOLDIER, b);
        ASSERT_FALSE(white.empty());
        const Move kill = shot(0, 0, white.front().x, white.front().y);
        input += move_text(kill) + "\n";
        expectedErr += echo(move_text(kill));
        b = Update_board(kill, b);
        Move reply{};
        if (!choose_move(b, false, reply))
            break;
        expectedOut += line(reply);
        b = Update_board(reply, b);
    }
    ASSERT_TRUE(board_moves(b, false).empty());
    input += "S 0 5 M 0 4\n";  // never read
    const auto r = run_treeplayer(input);
    EXPECT_EQ(r.out, expectedOut);
    EXPECT_EQ(r.err, expectedErr);
    EXPECT_EQ(r.status, 0);
}
