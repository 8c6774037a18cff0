// The lines of three of the board sum, kept up to date move by move. A move
// changes at most three squares, and only a line through a changed square
// can become complete or stop being so; the search adds or takes off those
// lines' weights instead of finding every line again as score.h does, which
// on ten columns, where the bit sets take 128 bits, costs the most of all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gridplayer/mailbox.h"
#include "gridplayer/search_board.h"
#include "gridplayer/square_tables.h"

namespace gridplayer {

// Mailbox steps of the ways a line runs, in the order of
// SquareTables::lineThrough.
inline constexpr int kLineStep[4] = {1, kStride, kStride + 1, kStride - 1};

// The weights of the complete lines of three through square s (mailbox
// square x) with a soldier of Colour (0 white, 1 black) on s, whatever the
// mailbox holds on s itself.
template <int Colour>
__attribute__((always_inline)) inline int linesThrough(int s, int x) {
    constexpr std::uint8_t soldier = Colour == 0 ? kWhiteSoldier : kBlackSoldier;
    const std::uint8_t* at = search.box.cell + x;
    int sum = 0;
    for (int way = 0; way < 4; ++way) {
        const std::ptrdiff_t d = kLineStep[way];
        // Every line through s holds one of the two squares next to it; most
        // soldiers have no neighbour of their colour in a given way.
        const bool before = (at[-d] & soldier) != 0;
        const bool after = (at[d] & soldier) != 0;
        if (!before && !after) {
            continue;
        }
        const int* weight = tables.lineThrough[Colour][s][way];
        if (before) {
            sum += (at[-2 * d] & soldier) != 0 ? weight[0] : 0;
            sum += after ? weight[1] : 0;
        }
        if (after) {
            sum += (at[2 * d] & soldier) != 0 ? weight[2] : 0;
        }
    }
    return sum;
}

}  // namespace gridplayer
