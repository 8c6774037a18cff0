#include "treeplayer/soldier.h"

#include "treeplayer/common.h"

std::vector<coord> soldier_moves(coord soldier, std::vector<coord> enemies, bool black) {
    const int x = soldier.x;
    const int y = soldier.y;
    const int d = black ? -1 : 1;
    bool retreat = false;
    std::vector<coord> result;
    result.reserve(6);
    for (int dx = -1; dx <= 1; ++dx) {
        const coord c{x + dx, y + d};
        if (contains(c, enemies))
            retreat = true;
        result.push_back(c);
    }
    for (int dx = -1; dx <= 1; ++dx) {
        if (contains({x + dx, y - d}, enemies))
            retreat = true;
    }
    if (retreat) {
        result.push_back({x, y - 2 * d});
        result.push_back({x - 2, y - 2 * d});
        result.push_back({x + 2, y - 2 * d});
    }
    return result;
}

std::vector<Move> coord_to_move(coord source, std::vector<coord> targets) {
    std::vector<Move> moves;
    moves.reserve(targets.size());
    for (const coord& t : targets)
        moves.emplace_back('S', source.x, source.y, 'M', t.x, t.y);
    return moves;
}
