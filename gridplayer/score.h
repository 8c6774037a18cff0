// The score of a position, worked out from bit sets of each colour's soldiers
// (the census) and the per-square tables, with no loop over the cells: the
// literal scan of utility is the rule, this is how it is computed fast.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gridplayer/gridplayer.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

// What the score needs from the cells: each colour's soldiers as a set of
// squares and its town halls counted. Any other value is an empty square.
template <typename Word>
struct Census {
    Word white = 0;
    Word black = 0;
    int hallsWhite = 0;
    int hallsBlack = 0;
};

// Cell by cell; for board widths the game is rarely played on.
template <typename Word>
Census<Word> plainCensus(int** grid) {
    Census<Word> c;
    Word bit = 1;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j, bit <<= 1) {
            switch (grid[i][j]) {
                case 2:
                    c.white |= bit;
                    break;
                case -2:
                    c.black |= bit;
                    break;
                case 1:
                    ++c.hallsWhite;
                    break;
                case -1:
                    ++c.hallsBlack;
                    break;
                default:
                    break;
            }
        }
    }
    return c;
}

#if defined(__SSE2__)
inline __m128i load4(const int* cells) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
}

// Sixteen cells at a time, each narrowed to one byte with saturation (so a
// value that is no cell code cannot become one) and compared once per code.
// An 8-column board takes two rows a chunk, whose sixteen bits then follow
// each other in scan order; a 10-column board one row a chunk.
template <typename Word, int Cols>
Census<Word> vectorCensus(int** grid) {
    static_assert(Cols == 8 || Cols == 10);
    constexpr int rowsPerChunk = Cols == 8 ? 2 : 1;
    const __m128i zero = _mm_setzero_si128();
    __m128i hallsWhite = zero;  // each byte counts the halls seen in its lane
    __m128i hallsBlack = zero;
    Census<Word> c;
    for (int i = 0; i < n; i += rowsPerChunk) {
        const int* row = grid[i];
        __m128i first = _mm_packs_epi32(load4(row), load4(row + 4));
        __m128i second = zero;
        if constexpr (Cols == 8) {
            if (i + 1 < n) {
                second = _mm_packs_epi32(load4(grid[i + 1]), load4(grid[i + 1] + 4));
            }
        } else {
            second =
                _mm_packs_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8)), zero);
        }
        const __m128i v = _mm_packs_epi16(first, second);
        const int at = i * Cols;
        c.white |= static_cast<Word>(static_cast<unsigned>(
                       _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(2)))))
                   << at;
        c.black |= static_cast<Word>(static_cast<unsigned>(
                       _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(-2)))))
                   << at;
        hallsWhite = _mm_sub_epi8(hallsWhite, _mm_cmpeq_epi8(v, _mm_set1_epi8(1)));
        hallsBlack = _mm_sub_epi8(hallsBlack, _mm_cmpeq_epi8(v, _mm_set1_epi8(-1)));
    }
    const __m128i tw = _mm_sad_epu8(hallsWhite, zero);
    const __m128i tb = _mm_sad_epu8(hallsBlack, zero);
    c.hallsWhite = _mm_cvtsi128_si32(tw) + _mm_cvtsi128_si32(_mm_srli_si128(tw, 8));
    c.hallsBlack = _mm_cvtsi128_si32(tb) + _mm_cvtsi128_si32(_mm_srli_si128(tb, 8));
    return c;
}
#endif

// Cols is the board width when known at compile time (the two widths the
// game is played on), 0 for any width.
template <typename Word, int Cols>
Census<Word> census(int** grid) {
#if defined(__SSE2__)
    if constexpr (Cols != 0) {
        return vectorCensus<Word, Cols>(grid);
    }
#endif
    return plainCensus<Word>(grid);
}

inline int sumOver(std::uint64_t x, const int* weight) {
    int sum = 0;
    for (; x != 0; x &= x - 1) {
        sum += weight[__builtin_ctzll(x)];
    }
    return sum;
}

inline int sumOver(Bits x, const int* weight) {
    return sumOver(static_cast<std::uint64_t>(x), weight) +
           sumOver(static_cast<std::uint64_t>(x >> 64), weight + 64);
}

// The cells of the board where the number of a colour's soldiers scanned so
// far (the cell itself included) is odd, as a set: bit k of a prefix parity
// is the parity of bits 0..k. A soldier arriving on or leaving a square
// flips the set from that square on, so a search keeps it move by move.
template <typename Word>
struct Parities {
    Word white = 0;
    Word black = 0;
};

inline std::uint64_t prefixParity(std::uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// The high word goes on from the parity of the whole low word.
inline Bits prefixParity(Bits x) {
    const std::uint64_t low = prefixParity(static_cast<std::uint64_t>(x));
    const std::uint64_t high =
        prefixParity(static_cast<std::uint64_t>(x >> 64)) ^ (0 - (low >> 63));
    return (static_cast<Bits>(high) << 64) | low;
}

template <typename Word>
Parities<Word> paritiesOf(const Census<Word>& c, const SquareTables& t) {
    const auto onBoard = static_cast<Word>(t.onBoard);
    return {prefixParity(c.white) & onBoard, prefixParity(c.black) & onBoard};
}

// The odd cells of white less those of black, counted without relying on a
// population-count instruction the target may lack.
#if defined(__SSE2__)
// Set bits of each byte, in that byte.
inline __m128i byteOnes(__m128i x) {
    const __m128i m1 = _mm_set1_epi8(0x55);
    const __m128i m2 = _mm_set1_epi8(0x33);
    const __m128i m4 = _mm_set1_epi8(0x0f);
    x = _mm_sub_epi64(x, _mm_and_si128(_mm_srli_epi64(x, 1), m1));
    x = _mm_add_epi64(_mm_and_si128(x, m2), _mm_and_si128(_mm_srli_epi64(x, 2), m2));
    return _mm_and_si128(_mm_add_epi64(x, _mm_srli_epi64(x, 4)), m4);
}

// The first lane's total less the second's, of byte counts.
inline int laneDifference(__m128i byteCounts) {
    const __m128i sums = _mm_sad_epu8(byteCounts, _mm_setzero_si128());
    return _mm_cvtsi128_si32(sums) - _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
}

inline __m128i lanes(std::uint64_t low, std::uint64_t high) {
    return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

inline int oddDifference(const Parities<std::uint64_t>& p) {
    return laneDifference(byteOnes(lanes(p.white, p.black)));
}

// White's and black's low words in one register, their high words in
// another; a byte counts at most eight bits of each, so the sum fits.
inline int oddDifference(const Parities<Bits>& p) {
    const auto low = [](Bits x) { return static_cast<std::uint64_t>(x); };
    const auto high = [](Bits x) { return static_cast<std::uint64_t>(x >> 64); };
    return laneDifference(_mm_add_epi8(byteOnes(lanes(low(p.white), low(p.black))),
                                       byteOnes(lanes(high(p.white), high(p.black)))));
}
#else
inline int ones(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

inline int ones(Bits x) {
    return ones(static_cast<std::uint64_t>(x)) + ones(static_cast<std::uint64_t>(x >> 64));
}

template <typename Word>
int oddDifference(const Parities<Word>& p) {
    return ones(p.white) - ones(p.black);
}
#endif

// The town-hall amounts, from player_id's side, for TW white and TB black
// town halls. The two sides' rules differ: white tests its own halls for
// three and below three, black for three and exactly two. They change only
// when a town hall falls, so the search keeps them with its board.
inline int hallAmounts(int TW, int TB) {
    if (player_id == 2) {
        return (TW == 3 ? -500 : TW < 3 ? -1000 : 0) + (TB == 3 ? 500 : TB < 3 ? 20000 : 0);
    }
    return (TW == 3 ? 500 : TW == 2 ? 20000 : 0) + (TB == 3 ? -500 : TB == 2 ? -1000 : 0);
}

// The score: the board sum S (white's side) seen from player_id's side, and
// the town-hall amounts.
__attribute__((always_inline)) inline int finalScore(int S, int hallAmount) {
    return (player_id == 2 ? S : -S) + hallAmount;
}

// Half the material term: `material` is the sum of the soldiers' `white`
// and `black` table entries, `odd` the oddDifference of the board.
inline int halfMaterial(int material, int odd) {
    return (material - odd) / 2;
}

// The lines of three of the board sum, white's looking to higher rows
// (higher bits), black's to lower ones; the weights are the same for both
// colours.
template <typename Word, int Cols>
int lineSum(const Census<Word>& c, const SquareTables& t) {
    const int up = Cols != 0 ? Cols : m;  // bit distance of one row
    const Word W = c.white;
    const Word B = c.black;
    const auto fromColumn2 = static_cast<Word>(t.fromColumn2);
    const auto toColumnEnd = static_cast<Word>(t.toColumnEnd);
    int S =
        sumOver(((W & (W << 1) & (W << 2)) | (B & (B << 1) & (B << 2))) & fromColumn2, t.leftRow);
    S += sumOver(((W & (W >> 1) & (W >> 2)) | (B & (B >> 1) & (B >> 2))) & toColumnEnd, t.rightRow);
    S += sumOver((W & (W >> up) & (W >> 2 * up)) | (B & (B << up) & (B << 2 * up)), t.column);
    S += sumOver(((W & (W >> (up - 1)) & (W >> 2 * (up - 1))) |
                  (B & (B << (up + 1)) & (B << 2 * (up + 1)))) &
                     fromColumn2,
                 t.leftDiag);
    S += sumOver(((W & (W >> (up + 1)) & (W >> 2 * (up + 1))) |
                  (B & (B << (up - 1)) & (B << 2 * (up - 1)))) &
                     toColumnEnd,
                 t.rightDiag);
    return S;
}

// The board sum (white's side) of a board given as its soldiers' squares and
// `material`.
template <typename Word, int Cols>
int boardSum(const Census<Word>& c, int material, const SquareTables& t) {
    return halfMaterial(material, oddDifference(paritiesOf(c, t))) + lineSum<Word, Cols>(c, t);
}

template <typename Word, int Cols>
int scanScore(int** grid, const SquareTables& t) {
    const Census<Word> c = census<Word, Cols>(grid);
    const int material = sumOver(c.white, t.white) + sumOver(c.black, t.black);
    return finalScore(boardSum<Word, Cols>(c, material, t),
                      hallAmounts(c.hallsWhite, c.hallsBlack));
}

}  // namespace gridplayer
