#include "treeplayer/next_moves.h"

#include <utility>

#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/common.h"
#include "treeplayer/soldier.h"

std::vector<Move> next_moves(std::vector<Cannon> cannons, std::vector<coord> own,
                             std::vector<coord> enemy, bool black) {
    auto [whiteHalls, blackHalls] = create_th_list();
    std::vector<coord> ownHalls = black ? blackHalls : whiteHalls;
    std::vector<coord> enemyHalls = black ? whiteHalls : blackHalls;

    std::vector<Move> result;
    result.reserve(48);
    for (const coord& s : own) {
        std::vector<coord> targets = soldier_moves(s, enemy, black);
        targets = moves_filter(targets, own, 8, 8);
        targets = moves_filter(targets, ownHalls, 8, 8);
        const std::vector<Move> steps = coord_to_move(s, targets);
        result.insert(result.end(), steps.begin(), steps.end());
    }
    const std::vector<Move> cannonMoves =
        cannon_action(std::move(cannons), own, enemy, ownHalls, enemyHalls);
    result.insert(result.end(), cannonMoves.begin(), cannonMoves.end());
    return result;
}

std::vector<Move> board_moves(Board board, bool black) {
    std::vector<coord> blackSoldiers = Soldiers_list(BLACK_SOLDIER, board);
    std::vector<coord> whiteSoldiers = Soldiers_list(WHITE_SOLDIER, board);
    auto [blackCannons, whiteCannons] = Update(board);
    if (black) {
        return next_moves(std::move(blackCannons), std::move(blackSoldiers),
                          std::move(whiteSoldiers), true);
    }
    return next_moves(std::move(whiteCannons), std::move(whiteSoldiers), std::move(blackSoldiers),
                      false);
}
