#include "treeplayer/cannon_list.h"

#include <utility>

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

std::vector<coord> Soldiers_list(int code, Board b) {
    std::vector<coord> list;
    if (b.empty())
        return list;
    list.reserve(16);
    const std::size_t rows = b.size();
    const std::size_t columns = b[0].size();
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < columns; ++x) {
            if (b[y][x] == code)
                list.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
    }
    return list;
}

bool Search(std::vector<Cannon> list, Cannon candidate) {
    const auto& [c0, cm, c2] = candidate;
    for (const Cannon& entry : list) {
        const auto& [e0, em, e2] = entry;
        if (em == cm && ((e0 == c0 && e2 == c2) || (e0 == c2 && e2 == c0)))
            return true;
    }
    return false;
}

namespace {

// Appends the cannon (a, middle, b) when both ends hold `code` and the line
// is not yet listed.
void try_line(std::vector<Cannon>& list, const Board& b, int code, coord a, coord middle, coord c) {
    if (b[a.y][a.x] != code || b[c.y][c.x] != code)
        return;
    Cannon cannon{a, middle, c};
    if (!Search(list, cannon))
        list.push_back(cannon);
}

}  // namespace

std::vector<Cannon> Get_list(int code, Board b) {
    std::vector<Cannon> list;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (b[y][x] != code)
                continue;
            const coord m{x, y};
            const bool inner_x = x >= 1 && x <= 6;
            const bool inner_y = y >= 1 && y <= 6;
            if (inner_x && inner_y) {
                try_line(list, b, code, {x, y + 1}, m, {x, y - 1});
                try_line(list, b, code, {x + 1, y}, m, {x - 1, y});
                try_line(list, b, code, {x - 1, y - 1}, m, {x + 1, y + 1});
                try_line(list, b, code, {x + 1, y - 1}, m, {x - 1, y + 1});
            } else if (inner_x) {
                try_line(list, b, code, {x + 1, y}, m, {x - 1, y});
            } else if (inner_y) {
                try_line(list, b, code, {x, y + 1}, m, {x, y - 1});
            }
        }
    }
    return list;
}

std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(Board b) {
    return {Get_list(BLACK_SOLDIER, b), Get_list(WHITE_SOLDIER, b)};
}
