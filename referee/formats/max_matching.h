// A maximum-weight matching of a general graph, for the Swiss pairings.
#pragma once

#include <cstdint>
#include <vector>

namespace referee {

struct WeightedEdge {
    int a = 0;  // vertices, from 0
    int b = 0;
    std::int64_t weight = 0;
};

// Each vertex's mate in a matching of the largest total weight, -1 for a
// vertex left unmatched. Exact for whole weights up to about 10^17 (the
// matching works on four times the weights).
std::vector<int> max_weight_matching(int vertices, const std::vector<WeightedEdge>& edges);

}  // namespace referee
