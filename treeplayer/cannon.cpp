#include "treeplayer/cannon.h"

#include "treeplayer/common.h"

int orientation(Cannon cannon) {
    return tp_ref::orientation(cannon);
}

int tp_ref::orientation(const Cannon& cannon) {
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
    return tp_ref::moves_to(middle, 'B', targets);
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
    return tp_ref::cannon_action(cannons, own, enemy, ownHalls, enemyHalls);
}

std::vector<Move> tp_ref::cannon_action(const std::vector<Cannon>& cannons,
                                        const std::vector<coord>& own,
                                        const std::vector<coord>& enemy,
                                        const std::vector<coord>& ownHalls,
                                        const std::vector<coord>& enemyHalls) {
    // P must be absent from both (own soldiers + enemy soldiers, enemy halls
    // + own halls); membership does not depend on the order of the lists.
    auto inSoldiers = [&](coord p) {
        return tp_ref::contains(p, own) || tp_ref::contains(p, enemy);
    };
    auto inHalls = [&](coord p) {
        return tp_ref::contains(p, enemyHalls) || tp_ref::contains(p, ownHalls);
    };

    std::vector<Move> result;
    for (const Cannon& cannon : cannons) {
        const coord m = std::get<1>(cannon);
        const int code = tp_ref::orientation(cannon);
        Move slides[2];
        int slideCount = 0;
        coord targets[4];
        int targetCount = 0;
        for (const coord& u : kDirections[code]) {
            const coord p{m.x + 2 * u.x, m.y + 2 * u.y};
            if (inSoldiers(p) || inHalls(p))
                continue;
            const Move slide = cannon_coord_to_move({m.x - u.x, m.y - u.y}, p, 8, 8);
            if (std::get<0>(slide) != 'A')
                slides[slideCount++] = slide;
            targets[targetCount++] = {m.x + 3 * u.x, m.y + 3 * u.y};
            targets[targetCount++] = {m.x + 4 * u.x, m.y + 4 * u.y};
        }
        // moves_filter with the own soldiers, then with the own home squares
        // (both with the bounds test), then cannon_coord_to_shot: one pass.
        for (int i = 0; i < targetCount; ++i) {
            const coord t = targets[i];
            if (tp_ref::target_allowed(t, own, ownHalls))
                result.emplace_back('S', m.x, m.y, 'B', t.x, t.y);
        }
        for (int i = 0; i < slideCount; ++i)
            result.push_back(slides[i]);
    }
    return result;
}
