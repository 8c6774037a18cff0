#include "rules/board.h"

#include <gtest/gtest.h>

#include "rules/judge.h"

namespace {

using protocol::MoveLine;
using rules::Board;
using rules::Cell;
using rules::Side;

int count(const Board& board, Cell cell) {
    int n = 0;
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            n += board.at(x, y) == cell;
    }
    return n;
}

TEST(StartingPosition, MirrorsTheTwoSidesOnEverySize) {
    const Board eight = Board::starting(8, 8);
    EXPECT_EQ(eight.at(0, 0), Cell::WhiteTownHall);
    EXPECT_EQ(eight.at(1, 0), Cell::WhiteSoldier);
    EXPECT_EQ(eight.at(1, 2), Cell::WhiteSoldier);
    EXPECT_EQ(eight.at(0, 1), Cell::Empty);
    EXPECT_EQ(eight.at(1, 7), Cell::BlackTownHall);
    EXPECT_EQ(eight.at(0, 7), Cell::BlackSoldier);
    EXPECT_EQ(eight.at(0, 5), Cell::BlackSoldier);
    EXPECT_EQ(eight.at(1, 6), Cell::Empty);
    EXPECT_EQ(count(eight, Cell::WhiteSoldier), 12);
    EXPECT_EQ(count(eight, Cell::BlackSoldier), 12);
    EXPECT_EQ(eight.town_halls(Side::White), 4);
    EXPECT_EQ(eight.town_halls(Side::Black), 4);
    EXPECT_EQ(count(eight, Cell::Empty), 64 - 32);

    const Board ten = Board::starting(10, 10);
    EXPECT_EQ(ten.town_halls(Side::White), 5);
    EXPECT_EQ(ten.town_halls(Side::Black), 5);
    EXPECT_EQ(ten.at(9, 9), Cell::BlackTownHall);
    EXPECT_EQ(ten.at(8, 7), Cell::BlackSoldier);
    EXPECT_EQ(ten.at(9, 2), Cell::WhiteSoldier);
    EXPECT_EQ(count(ten, Cell::Empty), 100 - 40);
}

// The numbers the referee and the records check a board by agree with the
// board the rules set up, at the bounds and on odd and even widths.
TEST(Board, StartingTownHallsAreThoseOfTheStartingPosition) {
    for (const int rows : {rules::kMinRows, 9, rules::kMaxSide}) {
        for (const int columns : {rules::kMinColumns, 3, 8, 11, rules::kMaxSide}) {
            const Board board = Board::starting(rows, columns);
            for (const Side side : {Side::Black, Side::White}) {
                EXPECT_EQ(rules::starting_town_halls(side, columns), board.town_halls(side))
                    << rules::side_name(side) << ' ' << rows << 'x' << columns;
            }
            EXPECT_EQ(count(board, Cell::WhiteSoldier) + count(board, Cell::BlackSoldier),
                      3 * columns);
        }
    }
    EXPECT_GE(rules::starting_town_halls(Side::Black, rules::kMinColumns), 1);
}

TEST(MoveChecks, RefuseEverythingThatIsNotAMoveOfTheMover) {
    const Board board = Board::starting(8, 8);
    struct Case {
        MoveLine move;
        Side side;
        const char* why;  // nullptr: accepted
    };
    const Case cases[] = {
        {{'S', 0, 5, 'M', 0, 4}, Side::Black, nullptr},
        {{'S', 0, 5, 'B', 1, 2}, Side::Black, nullptr},  // shot at a white soldier
        {{'S', 1, 2, 'M', 0, 3}, Side::White, nullptr},
        {{'S', 0, 5, 'M', 0, 8}, Side::Black, "the target square is off the board"},
        {{'S', 8, 5, 'M', 7, 4}, Side::Black, "the source square is off the board"},
        {{'S', 1, 2, 'M', 1, 3}, Side::Black, "the source square holds no black soldier"},
        {{'S', 1, 7, 'M', 1, 6}, Side::Black, "the source square holds no black soldier"},
        {{'S', 0, 4, 'M', 0, 3}, Side::Black, "the source square holds no black soldier"},
        {{'S', 0, 6, 'M', 0, 7}, Side::Black, "the target square holds a black piece"},
        {{'S', 0, 5, 'B', 1, 7}, Side::Black, "the target square holds a black piece"},
        {{'S', 0, 5, 'M', 0, 5}, Side::Black, "the target square holds a black piece"},
        {{'S', 1, 2, 'B', 0, 0}, Side::White, "the target square holds a white piece"},
    };
    for (const auto& c : cases) {
        const auto refusal = rules::refusal(board, c.side, c.move, rules::RuleSet::Squares);
        SCOPED_TRACE(protocol::format_move(c.move));
        if (c.why) {
            ASSERT_TRUE(refusal.has_value()) << c.why;
        } else {
            EXPECT_FALSE(refusal.has_value()) << *refusal;
        }
    }
}

TEST(MoveChecks, MoveReplacesTheTargetAndShotOnlyEmptiesIt) {
    Board board = Board::starting(8, 8);
    board.apply({'S', 0, 5, 'M', 1, 2});  // capture: the white soldier is gone
    EXPECT_EQ(board.at(1, 2), Cell::BlackSoldier);
    EXPECT_EQ(board.at(0, 5), Cell::Empty);

    board.apply({'S', 2, 5, 'B', 2, 0});  // shot at a town hall: the shooter stays
    EXPECT_EQ(board.at(2, 0), Cell::Empty);
    EXPECT_EQ(board.at(2, 5), Cell::BlackSoldier);
    EXPECT_EQ(board.town_halls(Side::White), 3);
    EXPECT_EQ(board.town_halls(Side::Black), 4);

    board.apply({'S', 4, 5, 'B', 3, 4});  // shot at an empty square changes nothing
    EXPECT_EQ(board.at(4, 5), Cell::BlackSoldier);
    EXPECT_EQ(board.at(3, 4), Cell::Empty);
}

}  // namespace
