#include "treeplayer/soldier.h"

#include "treeplayer/common.h"

std::vector<coord> soldier_moves(coord soldier, const std::vector<coord>& enemies, bool black) {
    return tp_ref::soldier_moves(soldier, enemies, black);
}

std::vector<coord> tp_ref::soldier_moves(coord soldier, const std::vector<coord>& enemies,
                                         bool black) {
    coord buffer[6];
    const int n = tp_ref::soldier_targets(soldier, enemies, black, buffer);
    return std::vector<coord>(buffer, buffer + n);
}

int tp_ref::soldier_targets(coord soldier, const std::vector<coord>& enemies, bool black,
                            coord out[6]) {
    const int x = soldier.x;
    const int y = soldier.y;
    const int d = black ? -1 : 1;
    bool retreat = false;
    int n = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        const coord c{x + dx, y + d};
        if (tp_ref::contains(c, enemies))
            retreat = true;
        out[n++] = c;
    }
    for (int dx = -1; dx <= 1; ++dx) {
        if (tp_ref::contains({x + dx, y - d}, enemies))
            retreat = true;
    }
    if (retreat) {
        out[n++] = {x, y - 2 * d};
        out[n++] = {x - 2, y - 2 * d};
        out[n++] = {x + 2, y - 2 * d};
    }
    return n;
}

std::vector<Move> coord_to_move(coord source, const std::vector<coord>& targets) {
    return tp_ref::moves_to(source, 'M', targets);
}
