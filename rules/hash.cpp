#include "rules/hash.h"

namespace rules {

namespace {

// The splitmix64 finaliser: consecutive inputs give unrelated outputs, which
// is all that Zobrist keys need.
std::uint64_t mix(std::uint64_t value) {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30U)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27U)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31U);
}

// Separate ranges of inputs for the three kinds of key.
constexpr std::uint64_t kSquareBase = 1ULL << 40U;
constexpr std::uint64_t kSizeBase = 2ULL << 40U;
constexpr std::uint64_t kSideInput = 3ULL << 40U;

}  // namespace

std::uint64_t square_key(std::size_t square, Cell cell) {
    if (cell == Cell::Empty)
        return 0;
    return mix(kSquareBase + static_cast<std::uint64_t>(square) * 4U +
               static_cast<std::uint64_t>(cell));
}

std::uint64_t size_key(int rows, int columns) {
    return mix(kSizeBase + static_cast<std::uint64_t>(rows) * 65536U +
               static_cast<std::uint64_t>(columns));
}

std::uint64_t white_to_move_key() {
    return mix(kSideInput);
}

}  // namespace rules
