// The repetition table against the plain count it replaces (whole positions
// as keys), over seeded random games that wander back and forth so that
// positions recur often, with the real hash and with hashes that collide.
#include "referee/game/repetition.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "random_games.h"
#include "rules/judge.h"

namespace {

using referee::PlayedMove;
using referee::RepetitionTable;
using rules::Board;
using rules::Cell;
using rules::Side;

// The plain reference the table is checked against: the whole position and
// the side to move, as text.
std::string key(const Board& board, Side to_move) {
    std::string text(1, to_move == Side::Black ? 'b' : 'w');
    for (int y = 0; y < board.rows(); ++y)
        for (int x = 0; x < board.columns(); ++x)
            text += static_cast<char>('0' + static_cast<int>(board.at(x, y)));
    return text;
}

// A random step of one of the side's first two soldiers that can move
// to an empty neighbouring square: few pieces moving in a small space, so
// the same positions come back again and again.
std::optional<protocol::MoveLine> wander(const Board& board, Side side, std::mt19937& random) {
    const Cell soldier = side == Side::Black ? Cell::BlackSoldier : Cell::WhiteSoldier;
    std::vector<protocol::MoveLine> moves;
    int soldiers = 0;
    for (int y = 0; y < board.rows() && soldiers < 2; ++y) {
        for (int x = 0; x < board.columns() && soldiers < 2; ++x) {
            if (board.at(x, y) != soldier)
                continue;
            const std::size_t before = moves.size();
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (board.inside(x + dx, y + dy) && board.at(x + dx, y + dy) == Cell::Empty)
                        moves.push_back({'S', x, y, 'M', x + dx, y + dy});
                }
            }
            soldiers += moves.size() > before;
        }
    }
    if (moves.empty())
        return std::nullopt;
    return moves[std::uniform_int_distribution<std::size_t>(0, moves.size() - 1)(random)];
}

// One game of 400 positions: each is recorded in the table, which must count
// it as often as the plain map does; the turn offers the one move it picked.
void play_and_compare(int rows, int columns, unsigned seed, const RepetitionTable::Hash& hash) {
    const Board start = Board::starting(rows, columns);
    RepetitionTable table = hash ? RepetitionTable(start, hash) : RepetitionTable(start);
    std::map<std::string, int> plain;
    std::vector<PlayedMove> moves;
    int repeated = 0;
    const auto turn = [&](const Board& board, Side side,
                          std::mt19937& random) -> std::optional<std::vector<protocol::MoveLine>> {
        const int expected = ++plain[key(board, side)];
        if (!moves.empty()) {
            const int counted = table.record(board, moves);
            EXPECT_EQ(counted, expected) << "seed " << seed << " ply " << moves.size();
            if (counted != expected)
                return std::nullopt;
        }
        repeated += expected > 1;
        auto move = wander(board, side, random);
        // Often step straight back, so that positions recur.
        if (moves.size() >= 2 && random() % 2 == 0) {
            const protocol::MoveLine& last = moves[moves.size() - 2].move;
            if (board.at(last.x1, last.y1) == Cell::Empty)
                move = protocol::MoveLine{'S', last.x2, last.y2, 'M', last.x1, last.y1};
        }
        if (!move || rules::refusal(board, side, *move, rules::RuleSet::Squares)) {
            ADD_FAILURE() << "no move to wander with, seed " << seed << " ply " << moves.size();
            return std::nullopt;
        }
        moves.push_back({side, *move, 0});
        return std::vector<protocol::MoveLine>{*move};
    };
    test_support::random_games(
        {.rows = rows, .columns = columns, .seed = seed, .positions = 400, .max_plies = 400}, turn);
    EXPECT_EQ(moves.size(), 400U);
    EXPECT_GT(repeated, 50) << "the games should repeat positions often";
}

TEST(Repetition, CountsEveryPositionLikeAFullComparisonWould) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        play_and_compare(6, 6, seed, nullptr);
        play_and_compare(8, 8, seed, nullptr);
        // Every position in one bucket, or in four: only the full
        // comparison tells them apart.
        play_and_compare(6, 6, seed, [](const Board&, Side) { return std::uint64_t{0}; });
        play_and_compare(8, 8, seed, [](const Board& b, Side s) { return b.hash(s) % 4; });
    }
}

TEST(Repetition, SameCellsWithTheOtherSideToMoveAreAnotherPosition) {
    const Board start = Board::starting(8, 8);
    EXPECT_NE(start.hash(Side::Black), start.hash(Side::White));
    Board moved = start;
    moved.apply({'S', 0, 5, 'M', 0, 4});
    EXPECT_NE(moved.hash(Side::Black), start.hash(Side::Black));
}

}  // namespace
