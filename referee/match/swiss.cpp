#include "referee/match/swiss.h"

#include <algorithm>
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/maximum_weighted_matching.hpp>
#include <cstdlib>

namespace referee {
namespace {

// Each rank of the weights outweighs every lower rank summed over a whole
// round, so the matching never trades a higher rank's loss for lower gains.
// With p pairs (the bye one of them) and d the spread of half-points plus
// one: colour costs at most p in all, so a unit of score costs p + 1; score
// costs below (p + 1) p d^2 in all, which a rematch costs; and a pair made
// is worth more than every cost together. For 1,000 players after 20
// rounds that is about 10^14, well within a double's exact whole numbers.
struct Ranks {
    double colour = 1;
    double score = 0;
    double rematch = 0;
    double pair = 0;
};

Ranks ranks(const std::vector<SwissStanding>& players) {
    const auto [low, high] = std::minmax_element(
        players.begin(), players.end(), [](const SwissStanding& a, const SwissStanding& b) {
            return a.half_points < b.half_points;
        });
    const double spread = high->half_points - low->half_points + 1;
    const std::size_t pair_count = (players.size() + 1) / 2;
    const auto pairs = static_cast<double>(pair_count);
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

using Graph =
    boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS, boost::no_property,
                          boost::property<boost::edge_weight_t, double>>;

}  // namespace

std::vector<PairingEdge> swiss_pairing_edges(const std::vector<SwissStanding>& players,
                                             const MetPairs& met) {
    std::vector<PairingEdge> edges;
    if (players.empty())
        return edges;
    const Ranks r = ranks(players);
    const int n = static_cast<int>(players.size());
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            const auto& x = players[static_cast<std::size_t>(a)];
            const auto& y = players[static_cast<std::size_t>(b)];
            const double difference = x.half_points - y.half_points;
            double weight = r.pair - r.score * difference * difference;
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
            const double above = x.half_points - lowest;
            edges.push_back({a, n, r.pair - r.score * above * above - (x.had_bye ? r.rematch : 0)});
        }
    }
    return edges;
}

SwissRound pair_swiss_round(const std::vector<SwissStanding>& players, const MetPairs& met) {
    const int n = static_cast<int>(players.size());
    Graph graph(static_cast<std::size_t>(n + n % 2));
    for (const auto& edge : swiss_pairing_edges(players, met))
        boost::add_edge(static_cast<std::size_t>(edge.a), static_cast<std::size_t>(edge.b),
                        edge.weight, graph);
    std::vector<Graph::vertex_descriptor> mate(boost::num_vertices(graph));
    boost::maximum_weighted_matching(graph, mate.data());

    SwissRound round;
    for (int a = 0; a < n; ++a) {
        const auto b = static_cast<int>(mate[static_cast<std::size_t>(a)]);
        if (b == n) {
            round.bye = a;
        } else if (a < b && b < n) {
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
