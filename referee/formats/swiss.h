// Swiss rounds: each round pairs players of equal or nearest score who have
// not met, balancing colours, with a bye for an odd field. A round is
// paired from the results of the rounds before it, so it is a function of
// those results alone: a resumed or split run pairs it the same way.
#pragma once

#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "referee/formats/max_matching.h"

namespace referee {

// What pairing needs to know of one player after the rounds so far.
struct SwissStanding {
    int half_points = 0;          // twice its points, a bye's win included
    int whites_minus_blacks = 0;  // games played as white less games as black
    bool had_bye = false;
};

// Pairs that have met, the smaller index first.
using MetPairs = std::set<std::pair<int, int>>;

// Black in the pairing's first game is the player who played white more
// often so far (on a tie, the first named); colours alternate after.
struct SwissPairing {
    int black = 0;
    int white = 0;
};

struct SwissRound {
    // Top boards first: by the higher score in the pair, then by the first
    // named player in it.
    std::vector<SwissPairing> pairings;
    std::optional<int> bye;  // the player left out of an odd field
};

// The possible pairings of a round as the edges of a graph, one vertex per
// player and, for an odd field, one for the bye (vertex players.size()),
// each with a weight that is larger the better the pairing: a maximum-weight
// matching is then the round. The weights rank, each above all of the next
// together: as many pairs as the field allows; no rematch and no second
// bye; the least sum of squared score differences (the bye counting as a
// score of the lowest); the fewest pairs whose players are both due the
// same colour.
std::vector<WeightedEdge> swiss_pairing_edges(const std::vector<SwissStanding>& players,
                                              const MetPairs& met);

// The round: a maximum-weight matching over those edges.
SwissRound pair_swiss_round(const std::vector<SwissStanding>& players, const MetPairs& met);

}  // namespace referee
