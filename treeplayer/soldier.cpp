#include "treeplayer/soldier.h"

#include "treeplayer/common.h"

namespace treeplayer {

std::vector<coord> soldier_moves(coord soldier, const std::vector<coord>& enemies, bool black) {
    const int x = soldier.x;
    const int y = soldier.y;
    const int d = black ? -1 : 1;  // forward: toward row 0 for black, row 7 for white
    std::vector<coord> targets;
    targets.reserve(6);
    bool retreat = false;
    for (int dx = -1; dx <= 1; ++dx) {
        const coord c{x + dx, y + d};
        if (contains(c, enemies))
            retreat = true;
        targets.push_back(c);
    }
    // An enemy soldier in the row behind opens the retreat too; the squares
    // beside the soldier in its own row do not.
    for (int dx = -1; dx <= 1; ++dx) {
        if (contains({x + dx, y - d}, enemies))
            retreat = true;
    }
    if (retreat) {
        targets.push_back({x, y - 2 * d});
        targets.push_back({x - 2, y - 2 * d});
        targets.push_back({x + 2, y - 2 * d});
    }
    return targets;
}

std::vector<Move> coord_to_move(coord source, const std::vector<coord>& targets) {
    std::vector<Move> moves;
    moves.reserve(targets.size());
    for (const coord& t : targets)
        moves.emplace_back('S', source.x, source.y, 'M', t.x, t.y);
    return moves;
}

}  // namespace treeplayer
