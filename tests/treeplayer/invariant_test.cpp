// Randomised invariants over a few thousand positions reached by seeded
// random play with treeplayer's own generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "test_support.h"
#include "treeplayer/Node.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

using namespace tp_test;

namespace {

bool on_board(int x, int y) {
    return x >= 0 && x < 8 && y >= 0 && y < 8;
}

// Checks one position; leaves its move list in `moves`.
void check_position(const Board& board, bool black, std::vector<Move>& moves) {
    // A copy on purpose: generation must leave the position it reads alone.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    const Board saved = board;
    moves = board_moves(board, black);
    const int own = black ? BLACK_SOLDIER : WHITE_SOLDIER;
    const auto [whiteHalls, blackHalls] = create_th_list();
    const auto& ownHalls = black ? blackHalls : whiteHalls;

    for (const Move& m : moves) {
        const auto [piece, x1, y1, action, x2, y2] = m;
        SCOPED_TRACE(move_text(m));
        EXPECT_EQ(piece, 'S');
        EXPECT_TRUE(action == 'M' || action == 'B');
        ASSERT_TRUE(on_board(x1, y1) && on_board(x2, y2));
        EXPECT_NE(board[y2][x2], own);  // never onto or at an own soldier
        EXPECT_FALSE(contains({x2, y2}, ownHalls));
        // A step moves an own soldier; a shot is named by its middle soldier.
        EXPECT_EQ(board[y1][x1], own);

        const Board child = Update_board(m, board);
        EXPECT_EQ(board, saved);  // the parent is never changed
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool named = (x == x1 && y == y1) || (x == x2 && y == y2);
                if (!named) {
                    EXPECT_EQ(child[y][x], board[y][x]) << x << "," << y;
                }
            }
        }
        if (action == 'M') {
            EXPECT_EQ(child[y2][x2], own);
            EXPECT_EQ(child[y1][x1], EMPTY);
        } else {
            EXPECT_EQ(child[y2][x2], EMPTY);
            EXPECT_EQ(child[y1][x1], own);
        }
    }

    // Cannons: three own soldiers in a straight line of consecutive squares,
    // middle second, and no line listed twice.
    const auto [blackCannons, whiteCannons] = Update(board);
    for (int code : {BLACK_SOLDIER, WHITE_SOLDIER}) {
        const auto& cannons = code == BLACK_SOLDIER ? blackCannons : whiteCannons;
        std::set<std::vector<std::pair<int, int>>> lines;
        for (const auto& [a, m, c] : cannons) {
            for (const coord& s : {a, m, c}) {
                ASSERT_TRUE(on_board(s.x, s.y));
                EXPECT_EQ(board[s.y][s.x], code);
            }
            EXPECT_EQ(a.x + c.x, 2 * m.x);
            EXPECT_EQ(a.y + c.y, 2 * m.y);
            EXPECT_LE(std::abs(a.x - m.x), 1);
            EXPECT_LE(std::abs(a.y - m.y), 1);
            EXPECT_FALSE(a == m);
            std::vector<std::pair<int, int>> key = {{a.x, a.y}, {m.x, m.y}, {c.x, c.y}};
            std::sort(key.begin(), key.end());
            EXPECT_TRUE(lines.insert(key).second) << "cannon listed twice";
        }
    }
}

}  // namespace

TEST(Invariants, RandomPlayPositions) {
    std::mt19937 rng(20240611u);
    int positions = 0;
    int games = 0;
    while (positions < 3000) {
        ++games;
        Board board = initialise();
        bool black = true;
        for (int ply = 0; ply < 120; ++ply) {
            std::vector<Move> moves;
            check_position(board, black, moves);
            ++positions;
            if (::testing::Test::HasFatalFailure() || moves.empty())
                break;
            board = Update_board(moves[rng() % moves.size()], board);
            black = !black;
        }
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_GE(positions, 3000);
    EXPECT_GT(games, 1);
}

// SetChildren builds exactly board_moves' list, over random positions.
TEST(Invariants, SetChildrenFollowsTheMoveList) {
    std::mt19937 rng(7u);
    Board board = initialise();
    bool black = true;
    Node node;
    for (int ply = 0; ply < 200; ++ply) {
        node.SetBoard(board);
        node.SetBlack(black);
        node.SetChildren();
        const auto moves = board_moves(board, black);
        const auto children = node.GetChildren();
        ASSERT_EQ(children.size(), moves.size());
        for (std::size_t i = 0; i < moves.size(); ++i) {
            EXPECT_EQ(children[i]->GetMove(), moves[i]);
            EXPECT_EQ(children[i]->GetBlack(), !black);
        }
        if (moves.empty()) {
            board = initialise();
            black = true;
            continue;
        }
        board = Update_board(moves[rng() % moves.size()], board);
        black = !black;
    }
}
