// The three passes every move generator makes over the squares it is given:
// steps and sideways captures of each soldier, then retreats, then cannon
// slides and shots. Both colours and both ways of making a child (a move
// record in a search, a board copy outside one) share this one body, so the
// order of the moves, which the search's tie-breaks depend on, cannot drift.
#pragma once

#include <cstdint>

#include "gridplayer/engine.h"
#include "gridplayer/gridplayer.h"
#include "gridplayer/mailbox.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

// The most moves the passes can make from one position: every square a
// soldier in each pass, with five steps, three retreats and six cannon moves
// in each of four directions.
constexpr int kMaxMoves = kMaxCells * (5 + 3 + 4 * 6);

// Everything in which the two colours' rules differ, as compile-time
// constants: both generators share one body so the order of the passes cannot
// drift apart between the colours, and each is compiled for its colour.
template <int Sign>
struct Side {
    static constexpr int sign = Sign;     // +1 white, -1 black
    static constexpr int ahead = Sign;    // row step towards the opponent
    static constexpr int own = 2 * Sign;  // own soldier
    static constexpr std::uint8_t ownSoldier = Sign > 0 ? kWhiteSoldier : kBlackSoldier;
    static constexpr std::uint8_t enemySoldier = Sign > 0 ? kBlackSoldier : kWhiteSoldier;
    static constexpr std::uint8_t enemy = Sign > 0 ? kBlackPiece : kWhitePiece;
    // A square a soldier may move to or a cannon may fire at: on the board and
    // empty or enemy.
    static constexpr std::uint8_t notFree = (Sign > 0 ? kWhitePiece : kBlackPiece) | kOffBoard;
    // Cannon directions (column step, row step) in the order they are tried.
    static constexpr int cannonDc[4] = {-1, 0, +1, +1};
    static constexpr int cannonDr[4] = {Sign > 0 ? +1 : -1, Sign > 0 ? +1 : -1, Sign > 0 ? 0 : -1,
                                        Sign > 0 ? +1 : 0};
};

// One pass order for both ways of making a child. Add is called as
// add(fromRow, fromCol, type, toRow, toCol) once per move, in order.
template <typename S, typename Add>
class Generator {
  public:
    Generator(const std::uint8_t* box, Add& add) : box_(box), add_(add) {}

    void run(const Candidates& c) {
        const int* square = c.square;
        for (int k = 0; k < c.soldiers; ++k, ++square) {
            steps(tables.rowOf[*square], tables.colOf[*square]);
        }
        for (int k = 0; k < c.retreats; ++k, ++square) {
            retreats(tables.rowOf[*square], tables.colOf[*square]);
        }
        for (int k = 0; k < c.cannons; ++k, ++square) {
            cannons(tables.rowOf[*square], tables.colOf[*square]);
        }
    }

  private:
    std::uint8_t at(int r, int c) const { return box_[boxIndex(r, c)]; }
    bool freeCell(int r, int c) const { return (at(r, c) & S::notFree) == 0; }
    // Enemy soldier or town hall: only these can be taken sideways.
    bool enemy(int r, int c) const { return (at(r, c) & S::enemy) != 0; }
    bool enemySoldier(int r, int c) const { return (at(r, c) & S::enemySoldier) != 0; }
    bool ownSoldier(int r, int c) const { return (at(r, c) & S::ownSoldier) != 0; }
    bool empty(int r, int c) const { return at(r, c) == 0; }

    void steps(int r, int c) {
        int a = r + S::ahead;
        if (freeCell(a, c - 1))
            add_(r, c, 'M', a, c - 1);
        if (enemy(r, c - 1))
            add_(r, c, 'M', r, c - 1);
        if (freeCell(a, c))
            add_(r, c, 'M', a, c);
        if (freeCell(a, c + 1))
            add_(r, c, 'M', a, c + 1);
        if (enemy(r, c + 1))
            add_(r, c, 'M', r, c + 1);
    }

    // A soldier under threat from an enemy soldier beside or ahead of it may
    // jump two rows back; a town hall threatens nothing.
    void retreats(int r, int c) {
        int back = r - 2 * S::ahead;
        if (back < 0 || back >= n) {
            return;
        }
        int a = r + S::ahead;
        bool threatened = enemySoldier(r, c - 1) || enemySoldier(r, c + 1) ||
                          enemySoldier(a, c - 1) || enemySoldier(a, c) || enemySoldier(a, c + 1);
        if (!threatened) {
            return;
        }
        if (freeCell(back, c))
            add_(r, c, 'M', back, c);
        if (freeCell(back, c + 2))
            add_(r, c, 'M', back, c + 2);
        if (freeCell(back, c - 2))
            add_(r, c, 'M', back, c - 2);
    }

    void cannons(int r, int c) {
        for (int k = 0; k < 4; ++k) {
            const int dc = S::cannonDc[k];
            const int dr = S::cannonDr[k];
            if (!ownSoldier(r + dr, c + dc) || !ownSoldier(r + 2 * dr, c + 2 * dc)) {
                continue;
            }
            int headR = r + 2 * dr;
            int headC = c + 2 * dc;
            // Front: the tail jumps to the square beyond the head, and the head
            // fires two or three squares out, never through an occupied square.
            if (empty(r + 3 * dr, c + 3 * dc)) {
                add_(r, c, 'M', r + 3 * dr, c + 3 * dc);
                if (freeCell(r + 4 * dr, c + 4 * dc)) {
                    add_(headR, headC, 'B', r + 4 * dr, c + 4 * dc);
                }
                if (empty(r + 4 * dr, c + 4 * dc) && freeCell(r + 5 * dr, c + 5 * dc)) {
                    add_(headR, headC, 'B', r + 5 * dr, c + 5 * dc);
                }
            }
            // Rear, the mirror image from the tail's side.
            if (empty(r - dr, c - dc)) {
                add_(headR, headC, 'M', r - dr, c - dc);
                if (freeCell(r - 2 * dr, c - 2 * dc)) {
                    add_(r, c, 'B', r - 2 * dr, c - 2 * dc);
                }
                if (empty(r - 2 * dr, c - 2 * dc) && freeCell(r - 3 * dr, c - 3 * dc)) {
                    add_(r, c, 'B', r - 3 * dr, c - 3 * dc);
                }
            }
        }
    }

    const std::uint8_t* box_;
    Add& add_;
};

}  // namespace gridplayer
