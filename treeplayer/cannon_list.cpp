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

std::vector<coord> tp_ref::Soldiers_list(int code, const Board& b) {
    std::vector<coord> list;
    list.reserve(16);
    tp_ref::Soldiers_list_into(code, b, list);
    return list;
}

void tp_ref::Soldiers_list_into(int code, const Board& b, std::vector<coord>& list) {
    list.clear();
    if (b.empty())
        return;
    const std::size_t rows = b.size();
    const std::size_t columns = b[0].size();
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < columns; ++x) {
            if (b[y][x] == code)
                list.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
    }
}

bool tp_ref::Search(const std::vector<Cannon>& list, const Cannon& candidate) {
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
void try_line(std::vector<Cannon>& list, const tp_ref::Grid& g, int code, coord a, coord middle,
              coord c) {
    if (g.cell[a.y][a.x] != code || g.cell[c.y][c.x] != code)
        return;
    Cannon cannon{a, middle, c};
    if (!tp_ref::Search(list, cannon))
        list.push_back(cannon);
}

}  // namespace

std::vector<Cannon> tp_ref::Get_list(int code, const Board& b) {
    std::vector<Cannon> list;
    tp_ref::Get_list_into(code, b, list);
    return list;
}

tp_ref::Grid tp_ref::to_grid(const Board& b) {
    Grid g;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            g.cell[y][x] = b[y][x];
    }
    return g;
}

void tp_ref::Get_list_into(int code, const Board& b, std::vector<Cannon>& list) {
    tp_ref::Get_list_into(code, tp_ref::to_grid(b), list);
}

namespace {

// Step 2 to 5 of the cannon scan for the middle (x, y), which holds code.
void scan_middle(std::vector<Cannon>& list, const tp_ref::Grid& g, int code, int x, int y) {
    const coord m{x, y};
    const bool inner_x = x >= 1 && x <= 6;
    const bool inner_y = y >= 1 && y <= 6;
    if (inner_x && inner_y) {
        try_line(list, g, code, {x, y + 1}, m, {x, y - 1});
        try_line(list, g, code, {x + 1, y}, m, {x - 1, y});
        try_line(list, g, code, {x - 1, y - 1}, m, {x + 1, y + 1});
        try_line(list, g, code, {x + 1, y - 1}, m, {x - 1, y + 1});
    } else if (inner_x) {
        try_line(list, g, code, {x + 1, y}, m, {x - 1, y});
    } else if (inner_y) {
        try_line(list, g, code, {x, y + 1}, m, {x, y - 1});
    }
}

}  // namespace

void tp_ref::Get_list_into(int code, const Grid& g, std::vector<Cannon>& list) {
    list.clear();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (g.cell[y][x] == code)
                scan_middle(list, g, code, x, y);
        }
    }
}

void tp_ref::Get_list_into(int code, const Grid& g, const std::vector<coord>& squares,
                           std::vector<Cannon>& list) {
    list.clear();
    for (const coord& s : squares)
        scan_middle(list, g, code, s.x, s.y);
}

std::tuple<std::vector<Cannon>, std::vector<Cannon>> tp_ref::Update(const Board& b) {
    return {tp_ref::Get_list(BLACK_SOLDIER, b), tp_ref::Get_list(WHITE_SOLDIER, b)};
}

std::vector<coord> Soldiers_list(int code, const Board& b) {
    return tp_ref::Soldiers_list(code, b);
}

std::vector<Cannon> Get_list(int code, const Board& b) {
    return tp_ref::Get_list(code, b);
}

bool Search(const std::vector<Cannon>& list, Cannon candidate) {
    return tp_ref::Search(list, candidate);
}

std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b) {
    return tp_ref::Update(b);
}
