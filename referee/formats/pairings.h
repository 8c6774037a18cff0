// Who plays whom, with which colour, in which order: the schedule of a match
// or tournament, fixed before the first game so that a run split over many
// machines numbers its games exactly as a single run does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace referee {

enum class TournamentKind {
    RoundRobin,  // every pair of players
    Gauntlet,    // the first player against each of the others
    Swiss,       // rounds paired from the results so far (swiss_rounds.h)
};

std::optional<TournamentKind> parse_tournament_kind(std::string_view name);
const char* tournament_kind_name(TournamentKind kind);

struct ScheduledGame {
    int number = 0;  // from 1, in playing order
    int black = 0;   // player indices, 0 = the first player named
    int white = 0;
};

// Every game of the tournament. Games are dealt out in rounds: round r plays
// game r of every pairing, pairings in order (0-1, 0-2, ..., 1-2, ...), so a
// run stopped early has played every pairing about equally often. Colours
// alternate within a pairing, its first-named player black in its first game.
// A Swiss tournament has none before it is played: see swiss_round.
std::vector<ScheduledGame> schedule_games(int players, TournamentKind kind, int games_per_pairing);

// Names as given, made distinct: a name that occurs more than once gets
// " #1", " #2", ... in order, so standings never merge two players.
std::vector<std::string> distinct_names(const std::vector<std::string>& names);

}  // namespace referee
