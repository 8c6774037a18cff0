#include "treeplayer/next_moves.h"

#include <utility>

#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/soldier.h"

std::vector<Move> next_moves(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                             const std::vector<coord>& enemy, bool black) {
    return tp_ref::next_moves(cannons, own, enemy, black);
}

std::vector<Move> tp_ref::next_moves(const std::vector<Cannon>& cannons,
                                     const std::vector<coord>& own, const std::vector<coord>& enemy,
                                     bool black) {
    // The town-hall home squares never change (create_th_list).
    static const auto homes = create_th_list();
    const std::vector<coord>& ownHalls = black ? homes.second : homes.first;
    const std::vector<coord>& enemyHalls = black ? homes.first : homes.second;

    std::vector<Move> result;
    result.reserve(48);
    for (const coord& s : own) {
        // soldier_moves, then moves_filter with the own soldiers and with the
        // own home squares, then coord_to_move: one pass over a fixed buffer.
        coord targets[6];
        const int n = tp_ref::soldier_targets(s, enemy, black, targets);
        for (int i = 0; i < n; ++i) {
            const coord t = targets[i];
            if (tp_ref::target_allowed(t, own, ownHalls))
                result.emplace_back('S', s.x, s.y, 'M', t.x, t.y);
        }
    }
    const std::vector<Move> cannonMoves =
        tp_ref::cannon_action(cannons, own, enemy, ownHalls, enemyHalls);
    result.insert(result.end(), cannonMoves.begin(), cannonMoves.end());
    return result;
}

std::vector<Move> board_moves(const Board& board, bool black) {
    const std::vector<coord> blackSoldiers = tp_ref::Soldiers_list(BLACK_SOLDIER, board);
    const std::vector<coord> whiteSoldiers = tp_ref::Soldiers_list(WHITE_SOLDIER, board);
    // Tree expansion builds both cannon lists (Update); only the mover's are
    // used, so only those are built here.
    const std::vector<Cannon> cannons =
        tp_ref::Get_list(black ? BLACK_SOLDIER : WHITE_SOLDIER, board);
    if (black)
        return tp_ref::next_moves(cannons, blackSoldiers, whiteSoldiers, true);
    return tp_ref::next_moves(cannons, whiteSoldiers, blackSoldiers, false);
}
