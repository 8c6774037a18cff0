#include "referee/formats/max_matching.h"

// LEMON's weighted blossom algorithm: Boost.Graph's maximum_weighted_matching
// as Debian 12 packs it (1.74, and 1.81) never ends on the complete graph of
// a 16-player first round, where every weight ties. LEMON 1.3's graph maps
// use allocator members that C++20 removed, so this one file is built as
// C++17 (see referee/CMakeLists.txt).
#include <lemon/list_graph.h>
#include <lemon/matching.h>

namespace referee {

std::vector<int> max_weight_matching(int vertices, const std::vector<WeightedEdge>& edges) {
    lemon::ListGraph graph;
    std::vector<lemon::ListGraph::Node> nodes;
    nodes.reserve(static_cast<std::size_t>(vertices));
    for (int v = 0; v < vertices; ++v)
        nodes.push_back(graph.addNode());
    lemon::ListGraph::EdgeMap<std::int64_t> weights(graph);
    for (const auto& edge : edges) {
        const auto e = graph.addEdge(nodes.at(static_cast<std::size_t>(edge.a)),
                                     nodes.at(static_cast<std::size_t>(edge.b)));
        weights[e] = edge.weight;
    }
    lemon::MaxWeightedMatching<lemon::ListGraph, lemon::ListGraph::EdgeMap<std::int64_t>> matching(
        graph, weights);
    matching.run();
    std::vector<int> mates;
    mates.reserve(nodes.size());
    for (const auto& node : nodes) {
        const auto mate = matching.mate(node);
        mates.push_back(mate == lemon::INVALID ? -1 : lemon::ListGraph::id(mate));
    }
    return mates;
}

}  // namespace referee
