#include "treeplayer/Evaluation.h"

#include <cstdlib>

#include "treeplayer/cannon.h"
#include "treeplayer/cannon_list.h"

float Eval(const Board& board, int side) {
    return tp_ref::Eval(board, side);
}

std::pair<int, int> townhall_dist(const std::vector<coord>& soldiers, const Board& board) {
    return tp_ref::townhall_dist(soldiers, board);
}

int blocked_cannon(const std::vector<coord>& soldiers, const std::vector<Cannon>& cannons) {
    return tp_ref::blocked_cannon(soldiers, cannons);
}

namespace {

// Sum of |k - x| over the columns k = first, first + 2, ... of `row` that
// still hold a town hall (`code`).
int column_sum(const tp_ref::Grid& g, int row, int first, int code, int x) {
    int sum = 0;
    for (int k = first; k < 8; k += 2) {
        if (g.cell[row][k] == code)
            sum += std::abs(k - x);
    }
    return sum;
}

// Town-hall distances of one board: the column part summed over the
// standing town halls of each side, for every column, computed once.
struct HallDistances {
    int toBlack[8];  // over standing black halls (row 7, odd columns)
    int toWhite[8];  // over standing white halls (row 0, even columns)

    // Columns outside the board (a hand-made soldier list) are summed directly.
    int column_to_black(int x, const tp_ref::Grid& g) const {
        return x >= 0 && x < 8 ? toBlack[x] : column_sum(g, 7, 1, BLACK_TOWNHALL, x);
    }
    int column_to_white(int x, const tp_ref::Grid& g) const {
        return x >= 0 && x < 8 ? toWhite[x] : column_sum(g, 0, 0, WHITE_TOWNHALL, x);
    }

    explicit HallDistances(const tp_ref::Grid& g) {
        for (int x = 0; x < 8; ++x) {
            toBlack[x] = column_sum(g, 7, 1, BLACK_TOWNHALL, x);
            toWhite[x] = column_sum(g, 0, 0, WHITE_TOWNHALL, x);
        }
    }
};

std::pair<int, int> hall_dist(const std::vector<coord>& soldiers, const tp_ref::Grid& g,
                              const HallDistances& d) {
    if (soldiers.empty())
        return {0, 0};
    const bool black = g.cell[soldiers[0].y][soldiers[0].x] > 0;
    int toBlackSum = 0;
    int toWhiteSum = 0;
    for (const coord& s : soldiers) {
        // Row distance once per soldier; column distance once per standing hall.
        toBlackSum += std::abs(7 - s.y) + d.column_to_black(s.x, g);
        toWhiteSum += std::abs(s.y) + d.column_to_white(s.x, g);
    }
    if (black)
        return {toBlackSum, toWhiteSum};
    return {toWhiteSum, toBlackSum};
}

}  // namespace

std::pair<int, int> tp_ref::townhall_dist(const std::vector<coord>& soldiers, const Board& board) {
    const Grid g = tp_ref::to_grid(board);
    return hall_dist(soldiers, g, HallDistances(g));
}

int tp_ref::blocked_cannon(const std::vector<coord>& soldiers, const std::vector<Cannon>& cannons) {
    int count = 0;
    for (const Cannon& cannon : cannons) {
        const coord m = std::get<1>(cannon);
        coord a;
        coord b;
        switch (tp_ref::orientation(cannon)) {
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

float tp_ref::Eval(const Board& board, int side) {
    // Eval runs once per leaf: the lists are rebuilt from the board each time
    // into buffers kept across calls so that no call allocates.
    thread_local std::vector<coord> blackSoldiers;
    thread_local std::vector<coord> whiteSoldiers;
    thread_local std::vector<Cannon> blackCannons;
    thread_local std::vector<Cannon> whiteCannons;
    const Grid g = tp_ref::to_grid(board);
    blackSoldiers.clear();
    whiteSoldiers.clear();
    for (int y = 0; y < 8; ++y) {  // row-major, as Soldiers_list
        for (int x = 0; x < 8; ++x) {
            if (g.cell[y][x] == BLACK_SOLDIER)
                blackSoldiers.push_back({x, y});
            else if (g.cell[y][x] == WHITE_SOLDIER)
                whiteSoldiers.push_back({x, y});
        }
    }
    tp_ref::Get_list_into(BLACK_SOLDIER, g, blackSoldiers, blackCannons);
    tp_ref::Get_list_into(WHITE_SOLDIER, g, whiteSoldiers, whiteCannons);
    const HallDistances halls(g);
    const auto [blackToBlack, blackToWhite] = hall_dist(blackSoldiers, g, halls);
    const auto [whiteToWhite, whiteToBlack] = hall_dist(whiteSoldiers, g, halls);
    const int blackBlocked = tp_ref::blocked_cannon(blackSoldiers, blackCannons);
    const int whiteBlocked = tp_ref::blocked_cannon(whiteSoldiers, whiteCannons);

    int blackHalls = 0;
    for (int k = 1; k < 8; k += 2) {
        if (g.cell[7][k] / 2 != 0)
            ++blackHalls;
    }
    int whiteHalls = 0;
    for (int k = 0; k < 8; k += 2) {
        if (g.cell[0][k] / 2 != 0)
            ++whiteHalls;
    }

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
