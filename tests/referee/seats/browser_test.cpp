// The seat of a person at the board page, driven the way the server drives
// it: moves offered from another thread, the game's wait woken.
#include <gtest/gtest.h>
#include <poll.h>

#include "referee/seats/browser.h"
#include "rules/judge.h"

namespace {

bool readable(int fd) {
    pollfd polled{fd, POLLIN, 0};
    return ::poll(&polled, 1, 0) == 1;
}

TEST(BrowserSeat, TakesOnlyLegalMovesInItsOwnTurn) {
    int turns = 0;
    referee::BrowserSeat seat(rules::Side::Black, [&](const referee::Turn&) { ++turns; });
    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), "it is not black's turn");
    referee::Turn turn;
    seat.begin_turn(turn);
    EXPECT_EQ(turns, 1);
    EXPECT_TRUE(seat.to_move());
    const auto board = rules::Board::starting(8, 8);
    EXPECT_EQ(
        seat.offer("S 0 5 M 0 2"),
        rules::refusal(board, rules::Side::Black, {'S', 0, 5, 'M', 0, 2}, rules::RuleSet::Either));
    EXPECT_TRUE(seat.offer("S 0 5 X 0 4").has_value());
    std::vector<int> fds;
    seat.watch(fds);
    ASSERT_EQ(fds.size(), 1U);
    EXPECT_FALSE(readable(fds[0]));
    EXPECT_EQ(seat.take_line({}), std::nullopt);

    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), std::nullopt);
    EXPECT_TRUE(readable(fds[0]));                       // the game's wait wakes
    EXPECT_TRUE(seat.offer("S 2 5 M 2 4").has_value());  // one move a turn
    seat.pump(fds);
    EXPECT_FALSE(readable(fds[0]));
    const auto taken = seat.take_line({});
    ASSERT_TRUE(taken);
    EXPECT_EQ(std::get<std::string>(*taken), "S 0 5 M 0 4");
    EXPECT_FALSE(seat.to_move());
    seat.leave();
    EXPECT_EQ(seat.offer("S 0 5 M 0 4"), "the game is over");
}

// Told its turn comes next, the seat takes a move at once, checked against
// that position; the turn, when the game begins it, keeps the move and is
// not announced again. A move offered for an earlier turn is not kept.
TEST(BrowserSeat, TakesAMoveForTheTurnItWasToldComesNext) {
    int turns = 0;
    referee::BrowserSeat seat(rules::Side::White, [&](const referee::Turn&) { ++turns; });
    referee::Turn next;
    next.side = rules::Side::White;
    next.ply = 1;
    next.board.apply({'S', 0, 5, 'M', 0, 4});
    seat.expect(next);
    EXPECT_TRUE(seat.to_move());
    EXPECT_TRUE(seat.offer("S 0 2 M 0 3").has_value());  // nothing stands there
    EXPECT_EQ(seat.offer("S 1 2 M 1 3"), std::nullopt);
    EXPECT_FALSE(seat.to_move());
    seat.begin_turn(next);
    EXPECT_EQ(turns, 0);
    const auto taken = seat.take_line({});
    ASSERT_TRUE(taken);
    EXPECT_EQ(std::get<std::string>(*taken), "S 1 2 M 1 3");

    next.ply = 3;
    seat.expect(next);
    EXPECT_EQ(seat.offer("S 3 2 M 3 3"), std::nullopt);
    next.ply = 5;  // not the turn the move was made for
    seat.begin_turn(next);
    EXPECT_EQ(turns, 1);
    EXPECT_EQ(seat.take_line({}), std::nullopt);
    EXPECT_TRUE(seat.to_move());
}

}  // namespace
