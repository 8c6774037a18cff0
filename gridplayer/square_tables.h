// The score works on bit sets: square (row i, column j) is bit i * m + j,
// which is also its place in the row-by-row scan, so "the cells from this one
// to the end of the scan" is a subtraction and a line of three is two shifts
// and two ANDs over the whole board. Everything that depends on the square
// alone sits in per-square tables made once per board size.
#pragma once

#include <cstdint>

#include "gridplayer/gridplayer.h"

namespace gridplayer {

__extension__ typedef unsigned __int128 Bits;

struct SquareTables {
    int rows = -1;
    int cols = -1;
    // Twice the advance and own-square terms of a soldier on the square, plus
    // (white) or minus (black) the cells from it to the end of the scan: the
    // running material term counts, at every cell, half the soldiers of each
    // colour scanned so far rounded down, which is half the sum of these
    // distances less the cells where the count so far is odd.
    int white[kMaxCells];
    int black[kMaxCells];
    // Line of three seen from the soldier on the square, by the way it runs.
    int leftRow[kMaxCells], leftDiag[kMaxCells], column[kMaxCells];
    int rightRow[kMaxCells], rightDiag[kMaxCells];
    // What a complete line of three through the square adds to the board sum,
    // for the line count a search keeps move by move (running_lines.h): by
    // colour (0 white, 1 black), by the way the line runs (along the row, the
    // column, the diagonal to higher columns and the one to lower columns, as
    // the rows rise) and by the square's place in it (last, middle, first).
    // Zero where the line would leave the board.
    int lineThrough[2][kMaxCells][4][3];
    // Row and column of each square, for walking a set of squares.
    std::int8_t rowOf[kMaxCells];
    std::int8_t colOf[kMaxCells];
    // Squares with two columns to their left, and with two to their right:
    // a line reaching sideways must stay in its row, not wrap into the next.
    Bits fromColumn2 = 0;
    Bits toColumnEnd = 0;
    // The same for one column, for squares beside a soldier.
    Bits fromColumn1 = 0;
    Bits toColumnLast = 0;
    Bits onBoard = 0;
    // Each square alone, since a 128-bit shift by a variable amount costs
    // several instructions and a load one.
    Bits square[kMaxCells] = {};
    // The squares of the board from each one to the end of the scan: what a
    // soldier arriving or leaving there flips in its colour's Parities.
    Bits onwards[kMaxCells] = {};
    // Squares two rows from the colour's back edge, where a retreat can land.
    Bits whiteCanRetreat = 0;
    Bits blackCanRetreat = 0;
};

// Made for the current n x m on first use and again when the size changes.
inline SquareTables tables;
const SquareTables& squareTables();

}  // namespace gridplayer
