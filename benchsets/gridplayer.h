// gridplayer's bench sets: midgame positions made by seeded random play, kept
// in the position file of positions/position.h, and one search run exactly as
// the game loop runs it. Shared by the position generator, the signature command, its test
// and the benchmarks, so all four measure the same searches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "positions/position.h"

namespace gp_bench {

using positions::Position;

// `count` positions of rows x cols, each from its own random game: `plies`
// uniformly random legal moves from the start, black first. A game stops
// early when a side is down to two town halls or the side to move has no
// move; the position it stopped at is kept. Deterministic for a seed.
std::vector<Position> randomPositions(int rows, int cols, int plies, int count, std::uint32_t seed);

// The same position seen from the other side: turned half a turn (row i to
// rows-1-i, column j to cols-1-j) with the colours swapped and the other side
// to move. On an even number of columns this maps the starting position onto
// itself, so a mirrored midgame looks like one the other colour could reach.
Position mirrored(const Position& p);

// The checked-in sets and the depth the game loop searches them at.
struct BenchSet {
    std::string name;  // "8x8" or "10x10"
    int size;          // rows = columns
    int depth;         // MAX_DEPTH
    std::vector<Position> positions;
};
// Reads <dataDir>/gridplayer_8x8.txt and gridplayer_10x10.txt (50 each).
// Throws std::runtime_error when a file is missing or malformed.
std::vector<BenchSet> loadBenchSets(const std::string& dataDir);

// Puts the position on the global board with the globals a game header would
// set: size, MAX_DEPTH, and player_id for the side to move (1 black, 2 white).
void setUp(const Position& p, int depth);

struct SearchResult {
    std::string move;  // what getMove returned
    std::int64_t dfs;  // DFS calls it made
};
// setUp, then one getMove.
SearchResult search(const Position& p, int depth);

// Every search of the bench: for each set and position, the position as
// recorded, then its mirror (so each position is searched once as player 1
// and once as player 2). One line per search, then the total:
//   8x8 17 p1 S 3 5 M 3 4 dfs 51234
//   total dfs 12345678
// Any change of a chosen move or of the work the search does changes it.
std::string signature(const std::vector<BenchSet>& sets);

}  // namespace gp_bench
