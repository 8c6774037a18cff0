// Judging move lines under each rule set, on hand-made 8x8 positions: lines
// that break every reading, lines legal under one reading only, and the
// basic square checks that the squares-only rule set keeps.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "protocol/move_line.h"
#include "rules/judge.h"
#include "tests/rules/random_positions.h"

namespace {

using rules::Board;
using rules::Cell;
using rules::RuleSet;
using rules::Side;

struct Piece {
    int x;
    int y;
    Cell cell;
};

Board board_with(const std::vector<Piece>& pieces, bool from_start = false) {
    Board board = from_start ? Board::starting(8, 8) : rules_test::empty_board(8, 8);
    for (const Piece& piece : pieces)
        board.set(piece.x, piece.y, piece.cell);
    return board;
}

protocol::MoveLine line(const char* text) {
    return *protocol::parse_move(text);
}

constexpr Cell b = Cell::BlackSoldier;
constexpr Cell w = Cell::WhiteSoldier;

struct Case {
    const char* what;
    Board board;
    const char* move;
    bool either, treeplayer, gridplayer;  // allowed under each rule set
};

TEST(RulesJudge, EachRuleSetAllowsExactlyItsReadings) {
    const Board start = Board::starting(8, 8);
    const Board pair = board_with({{3, 4, b}, {3, 3, w}});
    const Case cases[] = {
        {"two-square step", start, "S 0 5 M 0 3", false, false, false},
        {"teleport", start, "S 2 5 M 5 2", false, false, false},
        {"shot four squares out", start, "S 0 5 B 0 1", false, false, false},
        {"lone soldier's shot", pair, "S 3 4 B 3 1", false, false, false},
        {"one-row retreat", pair, "S 3 4 M 3 5", false, false, false},
        {"two-row retreat", pair, "S 3 4 M 3 6", true, true, true},
        {"sideways step onto an empty square", pair, "S 3 4 M 4 4", false, false, false},
        {"slide of a two-soldier line", board_with({{3, 5, b}, {3, 4, b}}), "S 3 5 M 3 3", false,
         false, false},
        {"sideways capture", board_with({{3, 4, b}, {4, 4, w}}), "S 3 4 M 4 4", true, false, true},
        {"shot named by the middle", start, "S 2 6 B 2 3", true, true, false},
        {"shot named by the near end", start, "S 2 5 B 2 3", true, false, true},
        {"shot over a piece", board_with({{2, 3, w}}, true), "S 2 6 B 2 2", true, true, false},
        {"near-end shot over a piece", board_with({{2, 3, w}}, true), "S 2 5 B 2 2", false, false,
         false},
        {"retreat opened from behind", board_with({{3, 3, b}, {3, 4, w}}), "S 3 3 M 3 5", true,
         true, false},
        {"retreat onto an empty home square", board_with({{1, 5, b}, {1, 4, w}}), "S 1 5 M 1 7",
         true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.move);
        const auto move = line(c.move);
        EXPECT_EQ(!rules::refusal(c.board, Side::Black, move, RuleSet::Either), c.either);
        EXPECT_EQ(!rules::refusal(c.board, Side::Black, move, RuleSet::Treeplayer), c.treeplayer);
        EXPECT_EQ(!rules::refusal(c.board, Side::Black, move, RuleSet::Gridplayer), c.gridplayer);
        EXPECT_EQ(rules::refusal(c.board, Side::Black, move, RuleSet::Squares), std::nullopt);
    }
}

TEST(RulesJudge, ReasonsNameTheSquaresAndTheSide) {
    const Board start = Board::starting(8, 8);
    auto why = [&](const char* move, Side side, RuleSet rules) {
        return rules::refusal(start, side, line(move), rules).value_or("allowed");
    };
    EXPECT_EQ(why("S 0 5 M 0 0", Side::Black, RuleSet::Either),
              "no soldier of black can reach (0,0) from (0,5)");
    EXPECT_EQ(why("S 3 2 B 3 6", Side::White, RuleSet::Either),
              "no cannon of white can shoot (3,6) from (3,2)");
    EXPECT_EQ(why("S 2 5 B 2 3", Side::Black, RuleSet::Treeplayer),
              "no cannon of black can shoot (2,3) from (2,5) under treeplayer's rules");
    EXPECT_EQ(why("S 3 4 M 3 3", Side::Black, RuleSet::Squares), "(3,4) holds no soldier of black");
    EXPECT_EQ(why("S 1 2 M 1 1", Side::White, RuleSet::Squares),
              "white cannot take its own piece on (1,1)");
    EXPECT_EQ(why("S 1 2 M 1 8", Side::White, RuleSet::Squares), "(1,8) is off the 8x8 board");
    EXPECT_EQ(why("S 0 5 M 0 4", Side::White, RuleSet::Either), "(0,5) holds no soldier of white");
}

TEST(RulesJudge, TreeplayersRulesNeedAnEightByEightBoardAndHasLegalMove) {
    const Board big = Board::starting(10, 10);
    const auto step = line("S 0 7 M 0 6");
    EXPECT_EQ(rules::refusal(big, Side::Black, step, RuleSet::Either), std::nullopt);
    EXPECT_EQ(rules::refusal(big, Side::Black, step, RuleSet::Treeplayer),
              "treeplayer's rules do not apply on a 10x10 board");
    EXPECT_FALSE(rules::has_legal_move(big, Side::Black, RuleSet::Treeplayer));
    EXPECT_TRUE(rules::has_legal_move(big, Side::Black, RuleSet::Either));
    // A black soldier on white's home row with nobody near has nowhere to go,
    // but under the squares-only rules a side with a soldier is never stuck.
    const Board stuck = board_with({{0, 0, b}});
    EXPECT_FALSE(rules::has_legal_move(stuck, Side::Black, RuleSet::Either));
    EXPECT_TRUE(rules::has_legal_move(stuck, Side::Black, RuleSet::Squares));
    EXPECT_FALSE(rules::has_legal_move(stuck, Side::White, RuleSet::Squares));
}

}  // namespace
