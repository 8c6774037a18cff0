#include <gtest/gtest.h>

#include <algorithm>
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/maximum_weighted_matching.hpp>
#include <numeric>
#include <random>
#include <tuple>

#include "referee/match/swiss.h"

namespace {

using referee::MetPairs;
using referee::SwissStanding;

// What a round costs, in the order the rules rank it: rematches and second
// byes, then the squared score differences (a bye against the lowest
// score), then the pairs whose players are both due the same colour.
using Cost = std::tuple<int, int, int>;

int due(const SwissStanding& s) {
    return (s.whites_minus_blacks > 0) - (s.whites_minus_blacks < 0);
}

Cost pair_cost(const std::vector<SwissStanding>& field, const MetPairs& met, int a, int b) {
    const auto& x = field[static_cast<std::size_t>(a)];
    const auto& y = field[static_cast<std::size_t>(b)];
    const int d = x.half_points - y.half_points;
    return {met.count({std::min(a, b), std::max(a, b)}) > 0 ? 1 : 0, d * d,
            due(x) != 0 && due(x) == due(y) ? 1 : 0};
}

Cost bye_cost(const std::vector<SwissStanding>& field, int a) {
    int lowest = field[0].half_points;
    for (const auto& s : field)
        lowest = std::min(lowest, s.half_points);
    const auto& x = field[static_cast<std::size_t>(a)];
    const int above = x.half_points - lowest;
    return {x.had_bye ? 1 : 0, above * above, 0};
}

Cost add(Cost a, const Cost& b) {
    std::get<0>(a) += std::get<0>(b);
    std::get<1>(a) += std::get<1>(b);
    std::get<2>(a) += std::get<2>(b);
    return a;
}

// The cheapest round by trying every way to pair the field.
Cost cheapest(const std::vector<SwissStanding>& field, const MetPairs& met, std::vector<int> left,
              bool bye_open) {
    if (left.empty())
        return {0, 0, 0};
    const int a = left.front();
    left.erase(left.begin());
    Cost best{1 << 20, 0, 0};
    if (bye_open)
        best = add(bye_cost(field, a), cheapest(field, met, left, false));
    for (std::size_t k = 0; k < left.size(); ++k) {
        auto rest = left;
        const int b = rest[k];
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(k));
        best =
            std::min(best, add(pair_cost(field, met, a, b), cheapest(field, met, rest, bye_open)));
    }
    return best;
}

// Random small fields after a few rounds: the round is a complete pairing
// (one bye exactly when the field is odd), as cheap as the cheapest of all
// pairings tried one by one, with the colours given by the balance; and the
// library's matching weighs as much as its brute-force matching.
TEST(Swiss, RoundsAreTheCheapestPairingOfRandomFields) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = 2 + trial % 8;
        std::vector<SwissStanding> field(static_cast<std::size_t>(n));
        for (auto& s : field) {
            s.half_points = std::uniform_int_distribution<int>(0, 8)(random);
            s.whites_minus_blacks = std::uniform_int_distribution<int>(-2, 2)(random);
            s.had_bye = n % 2 == 1 && random() % 3 == 0;
        }
        MetPairs met;
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b) {
                if (random() % 5 < 2)
                    met.insert({a, b});
            }
        }
        const auto round = referee::pair_swiss_round(field, met);
        std::vector<int> seen(static_cast<std::size_t>(n), 0);
        Cost cost{0, 0, 0};
        for (const auto& p : round.pairings) {
            ++seen[static_cast<std::size_t>(p.black)];
            ++seen[static_cast<std::size_t>(p.white)];
            cost = add(cost, pair_cost(field, met, p.black, p.white));
            EXPECT_GE(field[static_cast<std::size_t>(p.black)].whites_minus_blacks,
                      field[static_cast<std::size_t>(p.white)].whites_minus_blacks);
        }
        ASSERT_EQ(round.bye.has_value(), n % 2 == 1);
        if (round.bye) {
            ++seen[static_cast<std::size_t>(*round.bye)];
            cost = add(cost, bye_cost(field, *round.bye));
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), n) << "trial " << trial;
        std::vector<int> everyone(static_cast<std::size_t>(n));
        std::iota(everyone.begin(), everyone.end(), 0);
        EXPECT_EQ(cost, cheapest(field, met, everyone, n % 2 == 1)) << "trial " << trial;

        using Graph =
            boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS, boost::no_property,
                                  boost::property<boost::edge_weight_t, double>>;
        Graph graph(static_cast<std::size_t>(n + n % 2));
        for (const auto& e : referee::swiss_pairing_edges(field, met))
            boost::add_edge(static_cast<std::size_t>(e.a), static_cast<std::size_t>(e.b), e.weight,
                            graph);
        std::vector<Graph::vertex_descriptor> fast(boost::num_vertices(graph));
        std::vector<Graph::vertex_descriptor> slow(boost::num_vertices(graph));
        boost::maximum_weighted_matching(graph, fast.data());
        boost::brute_force_maximum_weighted_matching(graph, slow.data());
        EXPECT_EQ(boost::matching_weight_sum(graph, fast.data()),
                  boost::matching_weight_sum(graph, slow.data()))
            << "trial " << trial;
    }
}

}  // namespace
