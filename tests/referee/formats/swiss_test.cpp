#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/maximum_weighted_matching.hpp>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "referee/formats/swiss.h"
#include "referee/formats/swiss_rounds.h"

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

// The cheapest round over every way to pair the field: the cheapest way to
// complete each set of players already placed, the lowest unplaced player
// paired first (vertex n is the bye of an odd field).
Cost cheapest(const std::vector<SwissStanding>& field, const MetPairs& met) {
    const int n = static_cast<int>(field.size());
    const int vertices = n + n % 2;
    const unsigned all = (1U << vertices) - 1;
    const Cost none{1 << 20, 0, 0};
    std::vector<Cost> best(std::size_t{1} << vertices, none);
    best[all] = {0, 0, 0};
    for (unsigned placed = all; placed-- > 0;) {
        int a = 0;
        while ((placed >> a & 1U) != 0)
            ++a;
        for (int b = a + 1; b < vertices; ++b) {
            const unsigned next = placed | 1U << a | 1U << b;
            if ((placed >> b & 1U) != 0 || best[next] == none)
                continue;
            const Cost here = b == n ? bye_cost(field, a) : pair_cost(field, met, a, b);
            best[placed] = std::min(best[placed], add(here, best[next]));
        }
    }
    return best[0];
}

// Random fields of up to 17 players after a few rounds: the round is a
// complete pairing (one bye exactly when the field is odd), as cheap as the
// cheapest of all pairings, with the colours given by the balance; and on
// the smaller fields the matching weighs as much as Boost.Graph's
// brute-force matching over the same edges.
TEST(Swiss, RoundsAreTheCheapestPairingOfRandomFields) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 320; ++trial) {
        const int n = 2 + trial % 16;
        // Every fifth field is a first round, where every pairing ties.
        const bool first = trial % 5 == 0;
        std::vector<SwissStanding> field(static_cast<std::size_t>(n));
        for (auto& s : field) {
            if (first)
                continue;
            s.half_points = std::uniform_int_distribution<int>(0, 8)(random);
            s.whites_minus_blacks = std::uniform_int_distribution<int>(-2, 2)(random);
            s.had_bye = n % 2 == 1 && random() % 3 == 0;
        }
        MetPairs met;
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b) {
                if (!first && random() % 5 < 2)
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
        EXPECT_EQ(cost, cheapest(field, met)) << "trial " << trial;
        if (n > 9)
            continue;

        using Graph =
            boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS, boost::no_property,
                                  boost::property<boost::edge_weight_t, std::int64_t>>;
        Graph graph(static_cast<std::size_t>(n + n % 2));
        const auto edges = referee::swiss_pairing_edges(field, met);
        for (const auto& e : edges)
            boost::add_edge(static_cast<std::size_t>(e.a), static_cast<std::size_t>(e.b), e.weight,
                            graph);
        std::vector<Graph::vertex_descriptor> slow(boost::num_vertices(graph));
        boost::brute_force_maximum_weighted_matching(graph, slow.data());
        const auto mates = referee::max_weight_matching(n + n % 2, edges);
        std::int64_t weight = 0;
        for (const auto& e : edges)
            weight += mates[static_cast<std::size_t>(e.a)] == e.b ? e.weight : 0;
        EXPECT_EQ(weight, boost::matching_weight_sum(graph, slow.data())) << "trial " << trial;
    }
}

}  // namespace

namespace {

using records::GameEntry;
using referee::kByeSide;
using referee::ScheduledGame;
using referee::SwissPlan;

// A whole Swiss tournament of random results, round by round: each round's
// games are numbered from the round alone, every player has one board in
// it, colours alternate on a board, nobody meets anyone twice or has two
// byes; and the finished games fit their rounds as paired again, while a
// game moved to another board, or one of a round after an unfinished round,
// does not.
TEST(Swiss, RoundsOfRandomResultsNumberAndPairEveryPlayerOnce) {
    for (const int players : {6, 9}) {
        const SwissPlan plan{players, 5, 2};
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(players));
        for (int i = 0; i < players; ++i)
            names.push_back("p" + std::to_string(i));
        std::mt19937 random(static_cast<unsigned>(players));
        std::vector<records::GameEntry> results;
        std::set<std::pair<int, int>> met;
        std::set<int> byes;
        for (int round = 1; round <= plan.rounds; ++round) {
            const auto games = referee::swiss_round(plan, round, names, results);
            ASSERT_EQ(static_cast<int>(games.size()), plan.round_games());
            std::map<int, int> boards;  // player: times seen
            for (std::size_t i = 0; i < games.size(); ++i) {
                const ScheduledGame& g = games[i];
                EXPECT_EQ(plan.round_of(g.number), round);
                ++boards[g.black];
                if (g.white == kByeSide) {
                    EXPECT_TRUE(byes.insert(g.black).second || i >= games.size() / 2);
                    results.push_back(referee::bye_entry(g, plan.total(), names));
                    continue;
                }
                ++boards[g.white];
                if (i >= games.size() / 2) {
                    // The same board's first game, colours the other way.
                    const ScheduledGame& first = games[i - games.size() / 2];
                    EXPECT_EQ(std::pair(first.black, first.white), std::pair(g.white, g.black));
                } else {
                    EXPECT_TRUE(met.insert(std::minmax(g.black, g.white)).second)
                        << "round " << round;
                }
                records::GameEntry entry;
                entry.game = g.number;
                entry.black = names[static_cast<std::size_t>(g.black)];
                entry.white = names[static_cast<std::size_t>(g.white)];
                entry.result = std::array{"1-0", "0-1", "1/2-1/2"}[random() % 3];
                results.push_back(entry);
            }
            EXPECT_EQ(static_cast<int>(boards.size()), players);
            for (const auto& [player, seen] : boards)
                EXPECT_EQ(seen, plan.games) << "round " << round << " player " << player;
        }
        std::shuffle(results.begin(), results.end(), random);
        EXPECT_EQ(referee::swiss_misfit(plan, names, results), "");

        // Round 3's games on another board, and round 2 left unfinished.
        auto moved = results;
        const int third = 2 * plan.round_games() + 1;
        for (auto& entry : moved) {
            if (entry.game == third)
                std::swap(entry.black, entry.white);
        }
        EXPECT_NE(referee::swiss_misfit(plan, names, moved), "");
        auto gap = results;
        std::erase_if(
            gap, [&](const records::GameEntry& e) { return e.game == plan.round_games() + 1; });
        EXPECT_NE(referee::swiss_misfit(plan, names, gap).find("not finished"), std::string::npos);
    }
}

}  // namespace
