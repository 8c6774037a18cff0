// Zobrist keys: one fixed pseudo-random 64-bit word per (square, piece) and
// one for the side to move. They are computed from their index rather than
// stored, so boards of any size need no table and every run, on every
// machine, gives the same keys.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rules/cell.h"

namespace rules {

// The key of `cell` standing on the square with row-major index `square`.
// Zero for an empty square, so an empty board hashes to the size key alone.
std::uint64_t square_key(std::size_t square, Cell cell);

// Keys that tell boards of different sizes and the side to move apart.
std::uint64_t size_key(int rows, int columns);
std::uint64_t white_to_move_key();

}  // namespace rules
