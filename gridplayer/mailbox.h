// The board with a margin of five squares on every side (the farthest square
// a rule reads is a cannon shot five squares out), one byte a square holding
// as bits what the rules ask of it, so that every test of a square is one
// load and one AND, with no bounds check.
#pragma once

#include <cstdint>
#include <cstring>

#include "gridplayer/gridplayer.h"

namespace gridplayer {

constexpr int kMargin = 5;
constexpr int kStride = kMaxSide + 2 * kMargin;
constexpr int kBoxSize = kStride * kStride;

enum : std::uint8_t {
    kWhiteSoldier = 1,
    kWhiteHall = 2,
    kWhiteOther = 4,  // a positive value that is no cell code
    kBlackSoldier = 8,
    kBlackHall = 16,
    kBlackOther = 32,
    kOffBoard = 64,
};
constexpr std::uint8_t kWhitePiece = kWhiteSoldier | kWhiteHall | kWhiteOther;
constexpr std::uint8_t kBlackPiece = kBlackSoldier | kBlackHall | kBlackOther;

// The rules tell owners by sign alone, so any value keeps its owner here.
inline std::uint8_t flagOf(int v) {
    switch (v) {
        case 0:
            return 0;
        case 2:
            return kWhiteSoldier;
        case 1:
            return kWhiteHall;
        case -2:
            return kBlackSoldier;
        case -1:
            return kBlackHall;
        default:
            return v > 0 ? kWhiteOther : kBlackOther;
    }
}

inline int boxIndex(int r, int c) {
    return (r + kMargin) * kStride + c + kMargin;
}

struct Mailbox {
    std::uint8_t cell[kBoxSize];

    void load(int** grid) {
        std::memset(cell, kOffBoard, sizeof cell);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < m; ++j) {
                cell[boxIndex(i, j)] = flagOf(grid[i][j]);
            }
        }
    }
};

}  // namespace gridplayer
