// A Swiss tournament's rounds as games: each round is paired from the
// finished games of the rounds before it, and its games are numbered from
// the round alone, so a resumed run numbers and pairs every game as an
// unbroken run does.
#pragma once

#include <string>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/formats/pairings.h"
#include "referee/stats/standings.h"

namespace referee {

// The player a bye's game names as white: a bye is no game, but a win for
// the player left out of an odd round, kept in the results as one.
constexpr int kByeSide = -1;

struct SwissPlan {
    int players = 0;
    int rounds = 0;
    int games = 1;  // per pairing, colours alternating

    // Boards a round has: its pairings, and the bye of an odd field.
    int boards() const { return (players + 1) / 2; }
    int round_games() const { return boards() * games; }
    int total() const { return rounds * round_games(); }
    // The round game `number` belongs to, from 1.
    int round_of(int number) const { return (number - 1) / round_games() + 1; }
};

// Round `round` (from 1), paired from the finished games in `results` of
// the rounds before it. Game k of every board is played before game k + 1
// of any: board b's game k is number (round - 1) * round_games + k * boards
// + b + 1, the top boards first and the bye's board last, whose games have
// white kByeSide.
std::vector<ScheduledGame> swiss_round(const SwissPlan& plan, int round,
                                       const std::vector<std::string>& names,
                                       const std::vector<records::GameEntry>& results);

// The games still to play of the first round that `results` do not finish
// (all of them but the finished ones); none once every round is finished.
std::vector<ScheduledGame> swiss_next_games(const SwissPlan& plan,
                                            const std::vector<std::string>& names,
                                            const std::vector<records::GameEntry>& results);

// The results line of a bye: a win for black over kByeOpponent.
records::GameEntry bye_entry(const ScheduledGame& game, int scheduled,
                             const std::vector<std::string>& names);

// Checks finished games of an earlier run (one per number, in any order)
// against the rounds they belong to: each round paired again from the games
// before it. Empty when they all fit; otherwise why not.
std::string swiss_misfit(const SwissPlan& plan, const std::vector<std::string>& names,
                         const std::vector<records::GameEntry>& done);

}  // namespace referee
