// The search's work on the search board, compiled once per board size the
// game is played on, so that the board's width is a constant and its bit
// sets fit the smallest word: making and taking back a move, the score of
// the position on the board (its material sum, town-hall amounts and lines
// of three followed move by move, its odd cells worked out from the sets),
// and the squares the generators start from.
#pragma once

#include <cstdint>

#include "gridplayer/gridplayer.h"
#include "gridplayer/mailbox.h"
#include "gridplayer/running_lines.h"
#include "gridplayer/score.h"
#include "gridplayer/search_board.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

// Squares (row * m + column) the three passes of a generator visit, in scan
// order: every own soldier, then those that may retreat, then cannon tails.
// A list may hold more squares than can move; the passes check each.
struct Candidates {
    int square[3 * kMaxCells];
    int soldiers = 0;
    int retreats = 0;
    int cannons = 0;
};

// The board sizes searched in their own code: 8 x 8 (and fewer rows) in one
// 64-bit word with the width known, 10 columns in 128 bits with the width
// known, anything else in 128 bits. Every member is static: an Engine value
// only names its type (see withEngine).
template <typename Word, int Cols>
struct Engine {
    static Census<Word>& sets() {
        if constexpr (sizeof(Word) == 8) {
            return search.narrow;
        } else {
            return search.wide;
        }
    }

    static Parities<Word>& parities() {
        if constexpr (sizeof(Word) == 8) {
            return search.narrowParities;
        } else {
            return search.wideParities;
        }
    }

    static int bitOf(int r, int c) { return r * (Cols != 0 ? Cols : m) + c; }

    static Word onwards(int bit) { return static_cast<Word>(tables.onwards[bit]); }
    static Word only(int bit) {
        if constexpr (sizeof(Word) > 8) {
            return tables.square[bit];
        } else {
            return Word{1} << bit;
        }
    }

    static void load(int** grid) {
        sets() = census<Word, Cols>(grid);
        search.material = sumOver(sets().white, tables.white) + sumOver(sets().black, tables.black);
        search.halls = hallAmounts(sets().hallsWhite, sets().hallsBlack);
        search.lines = lineSum<Word, Cols>(sets(), tables);
        parities() = paritiesOf(sets(), tables);
    }

    __attribute__((always_inline)) static int score() {
        return finalScore(halfMaterial(search.material, oddDifference(parities())) + search.lines,
                          search.halls);
    }

    // What making a move changes and taking it back restores.
    struct Undo {
        Census<Word> sets;
        Parities<Word> parities;
        int material;
        int halls;
        int lines;
        int captured;
        std::uint8_t capturedFlag;
    };

    // Adds (Sign +1) or takes off (-1) the lines a soldier of the colour on
    // square `bit` (mailbox square `box`) completes.
    template <int Colour, int Sign>
    __attribute__((always_inline)) static void countLines(int bit, int box) {
        search.lines += Sign * linesThrough<Colour>(bit, box);
    }

    // A colour's soldiers, its parities and its material entries (0 white,
    // 1 black).
    template <int Colour>
    static Word& soldiers() {
        return Colour == 0 ? sets().white : sets().black;
    }
    template <int Colour>
    static Word& odd() {
        return Colour == 0 ? parities().white : parities().black;
    }
    template <int Colour>
    static int materialOf(int bit) {
        return Colour == 0 ? tables.white[bit] : tables.black[bit];
    }

    // A soldier of the colour taken off square `bit` (mailbox square `box`).
    template <int Colour>
    __attribute__((always_inline)) static void takeOff(int bit, int box) {
        soldiers<Colour>() ^= only(bit);
        odd<Colour>() ^= onwards(bit);
        search.material -= materialOf<Colour>(bit);
        countLines<Colour, -1>(bit, box);
    }

    // A soldier of the colour moved to an empty or emptied square. Its lines
    // are counted off before it leaves and on once it stands on the target,
    // so that a line through both squares sees each as it is at that moment.
    template <int Colour>
    __attribute__((always_inline)) static void moveSoldier(int from, int fromBox, int to,
                                                           int toBox) {
        soldiers<Colour>() ^= only(from) | only(to);
        odd<Colour>() ^= onwards(from) ^ onwards(to);
        search.material += materialOf<Colour>(to) - materialOf<Colour>(from);
        countLines<Colour, -1>(from, fromBox);
        search.box.cell[toBox] = search.box.cell[fromBox];
        search.box.cell[fromBox] = 0;
        countLines<Colour, +1>(to, toBox);
    }

    __attribute__((always_inline)) static void make(const node* p, Undo& u) {
        Census<Word>& s = sets();
        u.sets = s;
        u.parities = parities();
        u.material = search.material;
        u.halls = search.halls;
        u.lines = search.lines;
        const int to = bitOf(p->toRow, p->toCol);
        const int toBox = boxIndex(p->toRow, p->toCol);
        u.captured = search.cells[to];
        u.capturedFlag = search.box.cell[toBox];
        // Whatever stood on the target leaves the board.
        switch (u.capturedFlag) {
            case kWhiteSoldier:
                takeOff<0>(to, toBox);
                break;
            case kBlackSoldier:
                takeOff<1>(to, toBox);
                break;
            case kWhiteHall:
                --s.hallsWhite;
                search.halls = hallAmounts(s.hallsWhite, s.hallsBlack);
                break;
            case kBlackHall:
                --s.hallsBlack;
                search.halls = hallAmounts(s.hallsWhite, s.hallsBlack);
                break;
            default:
                break;
        }
        if (p->moveType == 'M') {
            const int from = bitOf(p->fromRow, p->fromCol);
            const int fromBox = boxIndex(p->fromRow, p->fromCol);
            if (search.box.cell[fromBox] == kWhiteSoldier) {
                moveSoldier<0>(from, fromBox, to, toBox);
            } else {
                moveSoldier<1>(from, fromBox, to, toBox);
            }
            search.cells[to] = search.cells[from];
            search.cells[from] = 0;
        } else {
            search.box.cell[toBox] = 0;
            search.cells[to] = 0;
        }
    }

    __attribute__((always_inline)) static void unmake(const node* p, const Undo& u) {
        sets() = u.sets;
        parities() = u.parities;
        search.material = u.material;
        search.halls = u.halls;
        search.lines = u.lines;
        const int to = bitOf(p->toRow, p->toCol);
        const int toBox = boxIndex(p->toRow, p->toCol);
        if (p->moveType == 'M') {
            const int from = bitOf(p->fromRow, p->fromCol);
            const int fromBox = boxIndex(p->fromRow, p->fromCol);
            search.box.cell[fromBox] = search.box.cell[toBox];
            search.cells[from] = search.cells[to];
        }
        search.box.cell[toBox] = u.capturedFlag;
        search.cells[to] = u.captured;
    }

    // The squares of x in scan order, a 64-bit word at a time; returns how
    // many.
    static int listOf(Word x, int* squares) {
        int count = 0;
        for (int offset = 0; offset < static_cast<int>(8 * sizeof(Word)); offset += 64) {
            for (auto word = static_cast<std::uint64_t>(x >> offset); word != 0; word &= word - 1) {
                squares[count++] = offset + __builtin_ctzll(word);
            }
        }
        return count;
    }

    // The own soldiers, and among them those that may retreat (an enemy
    // soldier beside or ahead, room two rows back) and the tails of cannons,
    // each in scan order.
    template <typename S>
    static Candidates candidates() {
        const int up = Cols != 0 ? Cols : m;
        const Word own = S::sign > 0 ? sets().white : sets().black;
        const Word E = S::sign > 0 ? sets().black : sets().white;
        const auto fromColumn1 = static_cast<Word>(tables.fromColumn1);
        const auto toColumnLast = static_cast<Word>(tables.toColumnLast);
        const auto fromColumn2 = static_cast<Word>(tables.fromColumn2);
        const auto toColumnEnd = static_cast<Word>(tables.toColumnEnd);
        const Word beside = ((E << 1) & fromColumn1) | ((E >> 1) & toColumnLast);
        Word threat;
        Word tails;
        if constexpr (S::sign > 0) {
            threat = beside | ((E >> (up - 1)) & fromColumn1) | (E >> up) |
                     ((E >> (up + 1)) & toColumnLast);
            threat &= static_cast<Word>(tables.whiteCanRetreat);
            tails = (own & (own >> (up - 1)) & (own >> 2 * (up - 1)) & fromColumn2) |
                    (own & (own >> up) & (own >> 2 * up)) |
                    (own & (own >> 1) & (own >> 2) & toColumnEnd) |
                    (own & (own >> (up + 1)) & (own >> 2 * (up + 1)) & toColumnEnd);
        } else {
            threat = beside | ((E << (up + 1)) & fromColumn1) | (E << up) |
                     ((E << (up - 1)) & toColumnLast);
            threat &= static_cast<Word>(tables.blackCanRetreat);
            tails = (own & (own << (up + 1)) & (own << 2 * (up + 1)) & fromColumn2) |
                    (own & (own << up) & (own << 2 * up)) |
                    (own & (own << (up - 1)) & (own << 2 * (up - 1)) & toColumnEnd) |
                    (own & (own >> 1) & (own >> 2) & toColumnEnd);
        }
        Candidates c;
        c.soldiers = listOf(own, c.square);
        c.retreats = listOf(own & threat, c.square + c.soldiers);
        c.cannons = listOf(tails, c.square + c.soldiers + c.retreats);
        return c;
    }
};

using Engine8 = Engine<std::uint64_t, 8>;
using Engine10 = Engine<Bits, 10>;
using EngineAny = Engine<Bits, 0>;

// The SearchBoard::kind that serves the current n x m.
inline int engineKind() {
    if (m == 8 && n <= 8) {
        return 8;
    }
    return m == 10 ? 10 : 0;
}

// Calls f with the Engine of the running search's board size.
template <typename F>
__attribute__((always_inline)) inline decltype(auto) withEngine(F&& f) {
    switch (search.kind) {
        case 8:
            return f(Engine8{});
        case 10:
            return f(Engine10{});
        default:
            return f(EngineAny{});
    }
}

}  // namespace gridplayer
