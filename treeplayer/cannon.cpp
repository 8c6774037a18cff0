#include "treeplayer/cannon.h"

#include "treeplayer/common.h"

namespace treeplayer {

int orientation(const Cannon& cannon) {
    const coord& a = std::get<0>(cannon);
    const coord& b = std::get<2>(cannon);
    const int dx = a.x - b.x;
    const int dy = a.y - b.y;
    if (dy == 0)
        return 0;
    if (dx == 0)
        return 1;
    return (dy / dx == 1) ? 3 : 2;
}

Move cannon_coord_to_move(coord source, coord target, int width, int height) {
    if (target.x >= 0 && target.x < width && target.y >= 0 && target.y < height) {
        return Move{'S', source.x, source.y, 'M', target.x, target.y};
    }
    return Move{'A', 0, 0, 'A', 0, 0};
}

std::vector<Move> cannon_coord_to_shot(coord middle, const std::vector<coord>& targets) {
    std::vector<Move> shots;
    shots.reserve(targets.size());
    for (const coord& t : targets)
        shots.emplace_back('S', middle.x, middle.y, 'B', t.x, t.y);
    return shots;
}

namespace {

// First and second direction per orientation code.
constexpr coord kDirections[4][2] = {
    {{-1, 0}, {1, 0}},
    {{0, -1}, {0, 1}},
    {{-1, 1}, {1, -1}},
    {{-1, -1}, {1, 1}},
};

}  // namespace

std::vector<Move> cannon_action(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                                const std::vector<coord>& enemy, const std::vector<coord>& ownHalls,
                                const std::vector<coord>& enemyHalls) {
    // The square in front of the cannon must hold no soldier of either side
    // and be no town-hall home square of either side, standing or not.
    auto is_free = [&](coord p) {
        return !contains(p, own) && !contains(p, enemy) && !contains(p, enemyHalls) &&
               !contains(p, ownHalls);
    };
    std::vector<Move> result;
    for (const Cannon& cannon : cannons) {
        const coord m = std::get<1>(cannon);
        Move slides[2];
        int slideCount = 0;
        std::vector<coord> targets;
        targets.reserve(4);
        for (const coord& u : kDirections[orientation(cannon)]) {
            const coord p{m.x + 2 * u.x, m.y + 2 * u.y};
            if (!is_free(p))
                continue;
            // The rear soldier jumps over the other two onto p.
            const Move slide = cannon_coord_to_move({m.x - u.x, m.y - u.y}, p, 8, 8);
            if (std::get<0>(slide) != 'A')
                slides[slideCount++] = slide;
            // The shot fires over the square between its two targets.
            targets.push_back({m.x + 3 * u.x, m.y + 3 * u.y});
            targets.push_back({m.x + 4 * u.x, m.y + 4 * u.y});
        }
        targets = moves_filter(targets, own, 8, 8);
        targets = moves_filter(targets, ownHalls, 8, 8);
        const std::vector<Move> shots = cannon_coord_to_shot(m, targets);
        result.insert(result.end(), shots.begin(), shots.end());
        result.insert(result.end(), slides, slides + slideCount);
    }
    return result;
}

}  // namespace treeplayer
