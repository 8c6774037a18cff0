// Seeded random games on the rules library's board, for every test that
// plays at random: games from the start, each move drawn uniformly (by a
// std::mt19937 seeded once, std::uniform_int_distribution) from the moves the
// test offers, a game starting afresh when it runs out of moves, reaches its
// ply limit or is over by the test's own measure. The same seed gives the same
// games.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/side.h"

namespace test_support {

struct RandomPlay {
    int rows = 8;
    int columns = 8;
    unsigned seed = 1;
    long positions = 0;   // positions to visit over all games
    int max_plies = 150;  // a game starts afresh after this many plies
    // Optional: true when a game is over before its side to move is visited
    // (for instance a side down to its last town halls).
    std::function<bool(const rules::Board&)> over = {};
};

// Called on every position visited, with the side to move and the games'
// generator: the moves to draw the next one from. Empty ends the game (a new
// one starts); nullopt ends the play altogether, such as after a failure.
using Turn = std::function<std::optional<std::vector<protocol::MoveLine>>(
    const rules::Board& board, rules::Side to_move, std::mt19937& rng)>;

// Plays until `play.positions` positions were visited or `turn` stops.
void random_games(const RandomPlay& play, const Turn& turn);

// The moves legal under either player's reading of the rules, gridplayer's
// first, each once: what a turn offers when it has no moves of its own.
std::vector<protocol::MoveLine> moves_of_either_reading(const rules::Board& board,
                                                        rules::Side side);

}  // namespace test_support
