#include "referee/formats/swiss.h"

#include <algorithm>
#include <cstdint>

#include "referee/formats/max_matching.h"

namespace referee {
namespace {

// Each rank of the weights outweighs every lower rank summed over a whole
// round, so the matching never trades a higher rank's loss for lower gains.
// With p pairs (the bye one of them) and d the spread of half-points plus
// one: colour costs at most p in all, so a unit of score costs p + 1; score
// costs below (p + 1) p d^2 in all, which a rematch costs; and a pair made
// is worth more than every cost together. For 1,000 players after 20
// rounds that is about 10^11, and the matching's duals four times that.
struct Ranks {
    std::int64_t colour = 1;
    std::int64_t score = 0;
    std::int64_t rematch = 0;
    std::int64_t pair = 0;
};

Ranks ranks(const std::vector<SwissStanding>& players) {
    const auto [low, high] = std::minmax_element(
        players.begin(), players.end(), [](const SwissStanding& a, const SwissStanding& b) {
            return a.half_points < b.half_points;
        });
    const std::int64_t spread = high->half_points - low->half_points + 1;
    const auto pairs = static_cast<std::int64_t>((players.size() + 1) / 2);
    Ranks r;
    r.score = pairs + 1;
    r.rematch = r.score * pairs * spread * spread + 1;
    r.pair = r.rematch * (pairs + 1);
    return r;
}

// +1 due black (played white more), -1 due white, 0 neither.
int due(const SwissStanding& player) {
    return (player.whites_minus_blacks > 0) - (player.whites_minus_blacks < 0);
}

}  // namespace

std::vector<WeightedEdge> swiss_pairing_edges(const std::vector<SwissStanding>& players,
                                              const MetPairs& met) {
    std::vector<WeightedEdge> edges;
    if (players.empty())
        return edges;
    const Ranks r = ranks(players);
    const int n = static_cast<int>(players.size());
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            const auto& x = players[static_cast<std::size_t>(a)];
            const auto& y = players[static_cast<std::size_t>(b)];
            const std::int64_t difference = x.half_points - y.half_points;
            std::int64_t weight = r.pair - r.score * difference * difference;
            if (met.count({a, b}) > 0)
                weight -= r.rematch;
            if (due(x) != 0 && due(x) == due(y))
                weight -= r.colour;
            edges.push_back({a, b, weight});
        }
    }
    if (n % 2 == 1) {
        // The bye goes to the lowest score among those without one yet.
        const int lowest = std::min_element(players.begin(), players.end(),
                                            [](const SwissStanding& a, const SwissStanding& b) {
                                                return a.half_points < b.half_points;
                                            })
                               ->half_points;
        for (int a = 0; a < n; ++a) {
            const auto& x = players[static_cast<std::size_t>(a)];
            const std::int64_t above = x.half_points - lowest;
            edges.push_back({a, n, r.pair - r.score * above * above - (x.had_bye ? r.rematch : 0)});
        }
    }
    return edges;
}

SwissRound pair_swiss_round(const std::vector<SwissStanding>& players, const MetPairs& met) {
    const int n = static_cast<int>(players.size());
    const auto mates = max_weight_matching(n + n % 2, swiss_pairing_edges(players, met));
    SwissRound round;
    for (int a = 0; a < n; ++a) {
        const int b = mates[static_cast<std::size_t>(a)];
        if (b == n) {
            round.bye = a;
        } else if (a < b) {  // an unmatched player (-1) never occurs: the graph is complete
            const auto& x = players[static_cast<std::size_t>(a)];
            const auto& y = players[static_cast<std::size_t>(b)];
            const bool b_black = y.whites_minus_blacks > x.whites_minus_blacks;
            round.pairings.push_back(b_black ? SwissPairing{b, a} : SwissPairing{a, b});
        }
    }
    const auto top = [&](const SwissPairing& p) {
        return std::pair{-std::max(players[static_cast<std::size_t>(p.black)].half_points,
                                   players[static_cast<std::size_t>(p.white)].half_points),
                         std::min(p.black, p.white)};
    };
    std::sort(round.pairings.begin(), round.pairings.end(),
              [&](const SwissPairing& p, const SwissPairing& q) { return top(p) < top(q); });
    return round;
}

}  // namespace referee
