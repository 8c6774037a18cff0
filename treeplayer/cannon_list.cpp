#include "treeplayer/cannon_list.h"

#include <cstdint>

namespace treeplayer {

Board initialise() {
    Board b(8, std::vector<int>(8, EMPTY));
    for (int x = 0; x < 8; x += 2)
        b[0][x] = WHITE_TOWNHALL;
    for (int x = 1; x < 8; x += 2)
        b[7][x] = BLACK_TOWNHALL;
    for (int x = 1; x < 8; x += 2) {
        for (int y = 0; y <= 2; ++y)
            b[y][x] = WHITE_SOLDIER;
    }
    for (int x = 0; x < 8; x += 2) {
        for (int y = 5; y <= 7; ++y)
            b[y][x] = BLACK_SOLDIER;
    }
    return b;
}

Board Update_board(Move m, Board b) {
    const auto& [piece, x1, y1, action, x2, y2] = m;
    (void)piece;
    const int v = b[y1][x1];
    if (action == 'B') {
        b[y2][x2] = EMPTY;
    } else {
        b[y1][x1] = EMPTY;
        b[y2][x2] = v;
    }
    return b;
}

std::vector<coord> Soldiers_list(int code, const Board& b) {
    std::vector<coord> list;
    // Room for all 12 soldiers of a side in one allocation.
    list.reserve(12);
    int y = 0;
    for (const std::vector<int>& row : b) {
        int x = 0;
        for (const int cell : row) {
            if (cell == code)
                list.push_back({x, y});
            ++x;
        }
        ++y;
    }
    return list;
}

bool Search(const std::vector<Cannon>& list, const Cannon& candidate) {
    const auto& [c0, cm, c2] = candidate;
    for (const Cannon& entry : list) {
        const auto& [e0, em, e2] = entry;
        if (em == cm && ((e0 == c0 && e2 == c2) || (e0 == c2 && e2 == c0)))
            return true;
    }
    return false;
}

namespace {

// Ends per direction, in the order lines through one middle are listed:
// vertical, horizontal, diagonal with x-y constant, with x+y constant.
constexpr coord kFirstEnd[4] = {{0, 1}, {1, 0}, {-1, -1}, {1, -1}};

// Square (x, y) is bit 8 * y + x, so row-major order is the order of the bits.
// A middle with both ends of a direction held: the end squares are `step`
// bits away on either side; a line that is not vertical needs a column on
// each side, so middles on the edge columns are masked off, and rows beyond
// the edge shift out of the word. Corners are never middles.
constexpr std::uint64_t kInnerColumns = 0x7e7e7e7e7e7e7e7eull;

std::uint64_t middles(std::uint64_t holds, int step, std::uint64_t columns) {
    return holds & (holds >> step) & (holds << step) & columns;
}

}  // namespace

std::vector<Cannon> Get_list(int code, const Board& b) {
    std::uint64_t holds = 0;
    for (int y = 0; y < 8; ++y) {
        const std::vector<int>& row = b[static_cast<std::size_t>(y)];
        for (int x = 0; x < 8; ++x) {
            if (row[static_cast<std::size_t>(x)] == code)
                holds |= std::uint64_t{1} << (8 * y + x);
        }
    }
    const std::uint64_t lines[4] = {
        middles(holds, 8, ~std::uint64_t{0}),
        middles(holds, 1, kInnerColumns),
        middles(holds, 9, kInnerColumns),
        middles(holds, 7, kInnerColumns),
    };
    // Eval builds both sides' lists for every leaf: room for the cannons of
    // a usual midgame side in one allocation.
    std::vector<Cannon> list;
    list.reserve(8);
    for (std::uint64_t any = lines[0] | lines[1] | lines[2] | lines[3]; any != 0; any &= any - 1) {
        const int bit = __builtin_ctzll(any);
        const int x = bit % 8;
        const int y = bit / 8;
        for (int d = 0; d < 4; ++d) {
            if ((lines[d] >> bit & 1) == 0)
                continue;
            const coord& e = kFirstEnd[d];
            const Cannon cannon{{x + e.x, y + e.y}, {x, y}, {x - e.x, y - e.y}};
            if (!Search(list, cannon))
                list.push_back(cannon);
        }
    }
    return list;
}

std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b) {
    return {Get_list(BLACK_SOLDIER, b), Get_list(WHITE_SOLDIER, b)};
}

}  // namespace treeplayer
