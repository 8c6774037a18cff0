#include "treeplayer/Evaluation.h"

#include <cstdlib>

#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"

namespace treeplayer {

namespace {

// Which of one side's four town halls still stand on its home row (columns
// first, first + 2, ...): a fallen town hall draws nobody.
struct StandingHalls {
    int row;
    int first;
    bool standing[4] = {};

    StandingHalls(const Board& board, int homeRow, int firstColumn, int code)
        : row(homeRow), first(firstColumn) {
        for (int i = 0; i < 4; ++i)
            standing[i] = board[row][first + 2 * i] == code;
    }

    // The row distance once, plus the column distance to every standing hall.
    int distance(coord soldier) const {
        int sum = std::abs(row - soldier.y);
        for (int i = 0; i < 4; ++i) {
            if (standing[i])
                sum += std::abs(first + 2 * i - soldier.x);
        }
        return sum;
    }
};

// Town halls still standing on the home squares of one side's row.
int standing_halls(const Board& board, int row, int first) {
    int count = 0;
    for (int k = first; k < 8; k += 2) {
        if (board[row][k] / 2 != 0)
            ++count;
    }
    return count;
}

}  // namespace

std::pair<int, int> townhall_dist(const std::vector<coord>& soldiers, const Board& board) {
    if (soldiers.empty())
        return {0, 0};
    const bool black = board[soldiers[0].y][soldiers[0].x] > 0;
    const StandingHalls blackHalls(board, 7, 1, BLACK_TOWNHALL);
    const StandingHalls whiteHalls(board, 0, 0, WHITE_TOWNHALL);
    int toBlack = 0;
    int toWhite = 0;
    for (const coord& s : soldiers) {
        toBlack += blackHalls.distance(s);
        toWhite += whiteHalls.distance(s);
    }
    if (black)
        return {toBlack, toWhite};
    return {toWhite, toBlack};
}

int blocked_cannon(const std::vector<coord>& soldiers, const std::vector<Cannon>& cannons) {
    int count = 0;
    for (const Cannon& cannon : cannons) {
        // The squares just beyond the two ends, two steps from the middle.
        const coord m = std::get<1>(cannon);
        coord a;
        coord b;
        switch (orientation(cannon)) {
            case 0:
                a = {m.x - 2, m.y};
                b = {m.x + 2, m.y};
                break;
            case 1:
                a = {m.x, m.y - 2};
                b = {m.x, m.y + 2};
                break;
            case 2:
                a = {m.x - 2, m.y + 2};
                b = {m.x + 2, m.y - 2};
                break;
            default:
                a = {m.x - 2, m.y - 2};
                b = {m.x + 2, m.y + 2};
                break;
        }
        for (const coord& s : soldiers) {
            if (s == a)
                ++count;
            if (s == b)
                ++count;
        }
    }
    return count;
}

float Eval(const Board& board, int side) {
    const std::vector<coord> blackSoldiers = Soldiers_list(BLACK_SOLDIER, board);
    const std::vector<coord> whiteSoldiers = Soldiers_list(WHITE_SOLDIER, board);
    const auto [blackCannons, whiteCannons] = Update(board);
    const auto [blackToBlack, blackToWhite] = townhall_dist(blackSoldiers, board);
    const auto [whiteToWhite, whiteToBlack] = townhall_dist(whiteSoldiers, board);
    const int blackBlocked = blocked_cannon(blackSoldiers, blackCannons);
    const int whiteBlocked = blocked_cannon(whiteSoldiers, whiteCannons);
    const int blackHalls = standing_halls(board, 7, 1);
    const int whiteHalls = standing_halls(board, 0, 0);

    const bool black = side == 1;
    const int ownSoldiers = static_cast<int>(black ? blackSoldiers.size() : whiteSoldiers.size());
    const int oppSoldiers = static_cast<int>(black ? whiteSoldiers.size() : blackSoldiers.size());
    const int ownCannons = static_cast<int>(black ? blackCannons.size() : whiteCannons.size());
    const int oppCannons = static_cast<int>(black ? whiteCannons.size() : blackCannons.size());
    const int ownHalls = black ? blackHalls : whiteHalls;
    const int oppHalls = black ? whiteHalls : blackHalls;
    const int ownToOwn = black ? blackToBlack : whiteToWhite;
    const int ownToOpp = black ? blackToWhite : whiteToBlack;
    const int oppToOpp = black ? whiteToWhite : blackToBlack;
    const int oppToOwn = black ? whiteToBlack : blackToWhite;
    const int ownBlocked = black ? blackBlocked : whiteBlocked;
    const int oppBlocked = black ? whiteBlocked : blackBlocked;

    // Threats to our halls and the opponent's home guard cost; our home guard
    // and our attackers earn. A distance of 0 would divide by zero and adds
    // nothing.
    const int weights[4] = {-200, 100, 100, -200};
    const int distances[4] = {oppToOwn, ownToOwn, ownToOpp, oppToOpp};
    float distanceTerm = 0.0f;
    for (int i = 0; i < 4; ++i) {
        if (distances[i] != 0) {
            distanceTerm += static_cast<float>(weights[i]) / static_cast<float>(distances[i]);
        }
    }

    // A float sum from 0.0f, one term at a time in a fixed order: the
    // rounding of each addition decides ties after truncation.
    float sum = 0.0f;
    sum += static_cast<float>(2 * ownSoldiers);
    sum += static_cast<float>(-4 * oppSoldiers);
    sum += static_cast<float>(3 * oppCannons);
    sum += static_cast<float>(-6 * ownCannons);
    sum += static_cast<float>(50 * ownHalls);
    sum += static_cast<float>(-50 * oppHalls);
    sum += distanceTerm;
    sum += static_cast<float>(5 * ownBlocked);
    sum += static_cast<float>(-4 * oppBlocked);
    return sum;
}

}  // namespace treeplayer
