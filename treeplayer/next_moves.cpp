#include "treeplayer/next_moves.h"

#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/soldier.h"

namespace treeplayer {

std::vector<Move> next_moves(const std::vector<Cannon>& cannons, const std::vector<coord>& own,
                             const std::vector<coord>& enemy, bool black) {
    // The town-hall home squares never change during a game.
    static const auto homes = create_th_list();
    const std::vector<coord>& ownHalls = black ? homes.second : homes.first;
    const std::vector<coord>& enemyHalls = black ? homes.first : homes.second;

    std::vector<Move> result;
    result.reserve(64);
    for (const coord& s : own) {
        // A soldier never lands on its own side's soldiers or home squares.
        std::vector<coord> targets = soldier_moves(s, enemy, black);
        targets = moves_filter(targets, own, 8, 8);
        targets = moves_filter(targets, ownHalls, 8, 8);
        const std::vector<Move> steps = coord_to_move(s, targets);
        result.insert(result.end(), steps.begin(), steps.end());
    }
    const std::vector<Move> cannonMoves = cannon_action(cannons, own, enemy, ownHalls, enemyHalls);
    result.insert(result.end(), cannonMoves.begin(), cannonMoves.end());
    return result;
}

std::vector<Move> board_moves(const Board& board, bool black) {
    const std::vector<coord> blackSoldiers = Soldiers_list(BLACK_SOLDIER, board);
    const std::vector<coord> whiteSoldiers = Soldiers_list(WHITE_SOLDIER, board);
    const auto [blackCannons, whiteCannons] = Update(board);
    if (black)
        return next_moves(blackCannons, blackSoldiers, whiteSoldiers, true);
    return next_moves(whiteCannons, whiteSoldiers, blackSoldiers, false);
}

}  // namespace treeplayer
