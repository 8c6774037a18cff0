#include "treeplayer/cannon_list.h"

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

// Which squares hold the scanned code, with a border of one empty square
// around the board: a line through a middle on the edge then simply fails at
// the border, which is the edge rule (edge rows: horizontal lines only, edge
// columns: vertical only, corners: none) without reading off the board.
struct Holders {
    bool at[10][10] = {};
    bool operator()(int x, int y) const { return at[y + 1][x + 1]; }
};

}  // namespace

std::vector<Cannon> Get_list(int code, const Board& b) {
    Holders holds;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            holds.at[y + 1][x + 1] = b[y][x] == code;
    }
    // Ends per direction, in the order lines through one middle are listed:
    // vertical, horizontal, diagonal with x-y constant, with x+y constant.
    constexpr coord kFirstEnd[4] = {{0, 1}, {1, 0}, {-1, -1}, {1, -1}};
    // Eval builds both sides' lists for every leaf: room for the cannons of
    // a usual midgame side in one allocation.
    std::vector<Cannon> list;
    list.reserve(8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (!holds(x, y))
                continue;
            for (const coord& e : kFirstEnd) {
                if (!holds(x + e.x, y + e.y) || !holds(x - e.x, y - e.y))
                    continue;
                const Cannon cannon{{x + e.x, y + e.y}, {x, y}, {x - e.x, y - e.y}};
                if (!Search(list, cannon))
                    list.push_back(cannon);
            }
        }
    }
    return list;
}

std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b) {
    return {Get_list(BLACK_SOLDIER, b), Get_list(WHITE_SOLDIER, b)};
}
