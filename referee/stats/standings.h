// The end of a match or tournament: standings, crosstable and statistics,
// computed from the finished games alone, so a live run and a merge of
// results files print the same text from the same games.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/stats/ratings.h"
#include "referee/stats/stats.h"

namespace referee {

// A bye is no game, but a win for the player left out of an odd round,
// kept in the results as a line with this reason and opponent.
inline constexpr const char* kByeReason = "bye";
inline constexpr const char* kByeOpponent = "(bye)";  // its results line's white

// A results line of a bye: its reason, and kByeOpponent as white (a
// player of that name still plays games that end for other reasons).
inline bool is_bye(const records::GameEntry& entry) {
    return entry.reason == kByeReason && entry.white == kByeOpponent;
}

struct Standing {
    int player = 0;  // index into Standings::players
    Score score;     // against everyone
    // From all games of the field at once (see fit_ratings); only for more
    // than two players: two have the match statistics instead.
    std::optional<Rating> rating;
    // The sum of the points of everyone it played (once each, a bye none):
    // the tie-break of equal points.
    double buchholz = 0;
};

struct Standings {
    std::vector<std::string> players;    // in the order they were named
    std::vector<Standing> rows;          // best first
    PairScores pair_scores;              // for the pairs that played, both ways round
    std::map<std::string, int> reasons;  // why games ended, with counts
    // Per player (as `players`): the games it lost by its own fault, counted
    // by the fault's kind ("malformed-line": 3).
    std::vector<std::map<std::string, int>> faults;
    int unfinished = 0;  // games without a result ("*")
    // Two players only: the first player's points in each pair of games
    // 2k-1 and 2k, which have the colours swapped.
    Pentanomial pairs;
    bool rating_prior = false;  // see RatingFit::prior

    // Player i's score against player j; none when they did not play.
    Score against(int i, int j) const;
};

// The most players whose crosstable summary_text prints: a wider one fits
// no screen, and the results file holds every game anyway.
constexpr std::size_t kMaxCrosstablePlayers = 40;

// What a match's Elo interval and SPRT are computed from: the pairs once
// there is a complete one, single games before that.
Sample match_sample(const Standings& standings);

// The players in the order they first appear in the games, by game number.
// A tournament's first game pairs the first two players and every later
// player first appears in its own first pairing, so for a whole tournament
// this is the order the players were named in.
std::vector<std::string> players_in_order(const std::vector<records::GameEntry>& games);

// `players` fixes the order; a name that only the games know is added at
// the end rather than dropped.
Standings compute_standings(std::vector<std::string> players,
                            const std::vector<records::GameEntry>& games);

// Player `row`'s points against player `column` out of their games,
// "1.5/2"; "-" when they did not meet, "x" on the diagonal.
std::string crosstable_cell(const Standings& standings, int row, int column);

// "Score of A vs B: 3 - 1 - 2 (wins - losses - draws of A)"
std::string score_line(const std::string& first, const std::string& second, const Score& score);

// "3 malformed-line, 1 time-forfeit": a player's faults, the commonest
// first.
std::string fault_counts(const std::map<std::string, int>& kinds);

// The closing text: standings; for exactly two players the score of the
// first against the second, its pentanomial counts, Elo, interval,
// likelihood of superiority and the SPRT if one ran; for more, ratings and a
// crosstable (each left out, saying so, for a field too large); then why
// games ended, and the faults of each player that lost a game by one.
std::string summary_text(const Standings& standings,
                         const std::optional<SprtSettings>& sprt = std::nullopt);

}  // namespace referee
