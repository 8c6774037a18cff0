// Tests on the built gridplayer binary: the conversation with a referee,
// the depth schedule, the fatal input cases and a clean run under valgrind.
// Expected moves come from the same game simulated in-process against a
// seeded random opponent.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "process_runner.h"
#include "support.h"

namespace {

using namespace gp_test;

using Result = test_support::ProcessResult;

// Runs the binary, optionally under a wrapper command given as its words
// (valgrind and its options), on the given input.
Result runBinary(const std::string& input, std::vector<std::string> wrapper = {}) {
    wrapper.emplace_back(GRIDPLAYER_BIN);
    return test_support::run_process(wrapper, input);
}

std::string joinLines(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& l : lines) {
        text += l + end;
    }
    return text;
}

struct Script {
    std::vector<std::string> theirs;  // the opponent's moves, in order
    std::vector<std::string> ours;    // what the program must answer
    std::vector<bool> depthMatters;   // the other depth would pick another move
};

// Plays `turns` own moves in-process against a random opponent that picks
// uniformly from its colour's legal moves.
Script simulate(int player, int rows, int cols, int turns, unsigned seed) {
    std::mt19937 rng(seed);
    useBoard(rows, cols, player);
    initializeBoard();
    bool oppBlack = player % 2 == 0;
    Script s;
    auto opponent = [&]() {
        node* root = createNode(board);
        oppBlack ? getValidBlackMoves(root) : getValidWhiteMoves(root);
        bool any = !root->children.empty();
        if (any) {
            std::uniform_int_distribution<std::size_t> pick(0, root->children.size() - 1);
            s.theirs.push_back(moveText(root->children[pick(rng)]));
            playMove(s.theirs.back());
        }
        deleteNodeChildren(root);
        deleteNode(root);
        return any;
    };
    if (player == 2 && !opponent()) {
        return s;
    }
    for (int k = 0; k < turns; ++k) {
        int depth = scheduledDepth(rows, k);
        int other = depth == 1 ? scheduledDepth(rows, 100) : 1;
        MAX_DEPTH = other;
        std::string alt = getMove();
        MAX_DEPTH = depth;
        std::string move = getMove();
        MAX_DEPTH = 1;
        if (move.empty()) {
            break;
        }
        s.ours.push_back(move);
        s.depthMatters.push_back(alt != move);
        playMove(move);
        // The program answers every line it reads, so the script ends on
        // the program's own move.
        if (k + 1 == turns || !opponent()) {
            break;
        }
    }
    return s;
}

std::string inputFor(const std::string& header, const Script& s, const char* end = "\n") {
    return header + end + joinLines(s.theirs, end);
}

TEST(Process, WritesTenTenFirstWhateverTheHeader) {
    for (const char* header : {"1 8 8 60", "2 6 3 1", "1 10 10 100"}) {
        Result r = runBinary(std::string(header) + "\n");
        EXPECT_EQ(r.status, 0) << header;
        EXPECT_EQ(r.err, "10 10\n") << header;
    }
    Result none = runBinary("");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.err, "10 10\n");
    EXPECT_EQ(none.out, "");
}

TEST(Process, PlayerOneMovesFirstAndPlayerTwoReadsFirst) {
    Result first = runBinary("1 8 8 60\n");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "S 6 7 M 6 4\n");
    Result second = runBinary("2 8 8 60\n");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");  // waited for a move that never came
    Script s = simulate(2, 8, 8, 1, 5);
    Result answer = runBinary(inputFor("2 8 8 60", s));
    EXPECT_EQ(answer.out, joinLines(s.ours));
}

// The scripted games switch depth where the schedule says: the moves at and
// after the switch are the deeper search's, the one before it the one-ply
// choice, and seeds are picked where the two depths disagree on both.
TEST(Process, DepthScheduleSwitchesAtTheRightMove) {
    struct Game {
        int rows;
        int switchAt;  // index of the first deeper move
    };
    for (Game game : {Game{8, 3}, Game{10, 4}}) {
        for (int player : {1, 2}) {
            Script s;
            unsigned seed = 1;
            for (; seed < 60; ++seed) {
                s = simulate(player, game.rows, game.rows, game.switchAt + 2, seed);
                auto at = static_cast<std::size_t>(game.switchAt);
                if (s.ours.size() == at + 2 && s.depthMatters[at - 1] && s.depthMatters[at]) {
                    break;
                }
            }
            ASSERT_LT(seed, 60u) << "no telling game for " << game.rows << " rows";
            std::string header = std::to_string(player) + " " + std::to_string(game.rows) + " " +
                                 std::to_string(game.rows) + " 100";
            Result r = runBinary(inputFor(header, s));
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, joinLines(s.ours)) << header << " seed " << seed;
            EXPECT_EQ(r.err, "10 10\n");
        }
    }
}

TEST(Process, CarriageReturnLinesPlayLikePlainOnes) {
    Script s = simulate(1, 8, 8, 6, 11);
    Result plain = runBinary(inputFor("1 8 8 60", s));
    Result crlf = runBinary(inputFor("1 8 8 60", s, "\r\n"));
    EXPECT_EQ(plain.out, joinLines(s.ours));
    EXPECT_EQ(crlf.out, plain.out);
    EXPECT_EQ(crlf.status, 0);
    EXPECT_EQ(crlf.err, "10 10\n");
}

TEST(Process, FatalHeadersStopWithOneQuotedLine) {
    const char* headers[] = {"",         "1 8 8",     "1 8  8 60", "1 x 8 60", "1 8 8 99999999999",
                             "1 5 8 60", "1 11 8 60", "1 8 0 60",  "1 8 11 60"};
    for (const char* header : headers) {
        Result r = runBinary(std::string(header) + "\nS 0 5 M 0 4\n");
        EXPECT_EQ(r.status, 2) << header;
        EXPECT_EQ(r.out, "") << header;
        ASSERT_EQ(r.err.rfind("10 10\n", 0), 0u) << header;
        std::string rest = r.err.substr(6);
        EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 1) << rest;
        // Built by appending: GCC 12 at -O3 warns (-Wrestrict) on "\"" + std::string(...).
        const std::string quoted = std::string(1, '"').append(header).append(1, '"');
        EXPECT_NE(rest.find(quoted), std::string::npos) << rest;
    }
}

// An id other than 1 or 2 would make the program move first as the wrong
// colour, so it stops before any move, whatever follows the header.
TEST(Process, PlayerIdsOtherThanOneOrTwoAreFatal) {
    for (const char* header : {"0 8 8 60", "3 8 8 60", "4 10 10 60", "-2 8 8 60", "12 8 8 60"}) {
        Result r = runBinary(std::string(header) + "\nS 0 5 M 0 4\n");
        EXPECT_EQ(r.status, 2) << header;
        EXPECT_EQ(r.out, "") << header;
        EXPECT_EQ(r.err, "10 10\ngridplayer: unusable header \"" + std::string(header) +
                             "\": player id must be 1 or 2\n");
    }
}

TEST(Process, MalformedMoveLinesStopWithOneQuotedLine) {
    const char* lines[] = {"S 1 2 M 1",   "",           "S a 5 M 0 4", "S 0 5 M 0 x", "S 0 5 M 0 8",
                           "S 0 9 B 0 4", "S 8 5 M 0 4"};
    for (const char* line : lines) {
        // As player 2 the bad line is the first thing read after the header.
        Result r = runBinary(std::string("2 8 8 60\n") + line + "\nS 0 5 M 0 4\n");
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err, "10 10\ngridplayer: malformed move line \"" + std::string(line) + "\"\n");
    }
    // As player 1 the first move is already out when the bad line arrives.
    Result r = runBinary("1 8 8 60\nS 1 2 M 1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "S 6 7 M 6 4\n");
    // An unknown type letter is no error: the board is simply unchanged.
    Result odd = runBinary("2 8 8 60\nS 1 2 Q 1 3\n");
    EXPECT_EQ(odd.status, 0);
    EXPECT_EQ(odd.out.size(), 12u);
}

TEST(Process, NoLegalMoveEndsQuietlyWithoutSending) {
    // On 6 x 2 white has three soldiers; the opponent's unchecked shots take
    // one a turn until white has nothing left to move.
    useBoard(6, 2, 2);
    initializeBoard();
    std::vector<std::string> theirs;
    std::vector<std::string> ours;
    auto shootOne = [&]() {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                if (board[i][j] == 2) {
                    theirs.push_back("S 0 5 B " + std::to_string(j) + " " + std::to_string(i));
                    playMove(theirs.back());
                    return;
                }
            }
        }
    };
    for (int turn = 0; turn < 10; ++turn) {
        shootOne();
        std::string move = getMove();
        if (move.empty()) {
            break;
        }
        ours.push_back(move);
        playMove(move);
    }
    ASSERT_GE(ours.size(), 1u);
    ASSERT_LT(ours.size(), 10u);
    Result r = runBinary("2 6 2 10\n" + joinLines(theirs) + "S 0 4 M 0 3\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, joinLines(ours));
    EXPECT_EQ(r.err, "10 10\n");
}

TEST(Process, ScriptedGameRunsCleanUnderValgrind) {
    if (std::system("command -v valgrind > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "valgrind not on PATH";
    }
    Script s = simulate(1, 8, 8, 5, 3);
    ASSERT_EQ(s.ours.size(), 5u);
    Result r = runBinary(inputFor("1 8 8 60", s),
                         {"valgrind", "-q", "--leak-check=full", "--error-exitcode=97",
                          "--errors-for-leak-kinds=definite,indirect,possible"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, joinLines(s.ours));
    EXPECT_EQ(r.err, "10 10\n");  // -q: valgrind itself only speaks of errors
}

}  // namespace
