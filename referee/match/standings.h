// The end of a match or tournament: standings, crosstable and statistics,
// computed from the finished games alone, so a live run and a merge of
// results files print the same text from the same games.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "referee/match/game_entry.h"
#include "referee/match/stats.h"

namespace referee {

struct Standing {
    int player = 0;  // index into Standings::players
    Score score;     // against everyone
    // Against the first player, from their games with each other only; none
    // for the first player itself.
    std::optional<EloEstimate> elo_vs_first;
};

struct Standings {
    std::vector<std::string> players;  // in the order they were named
    std::vector<Standing> rows;        // best first
    // cross[i][j]: player i's score against player j.
    std::vector<std::vector<Score>> cross;
    std::map<std::string, int> reasons;  // why games ended, with counts
    int unfinished = 0;                  // games without a result ("*")
};

// The players in the order they first appear in the games, by game number.
// A tournament's first game pairs the first two players and every later
// player first appears in its own first pairing, so for a whole tournament
// this is the order the players were named in.
std::vector<std::string> players_in_order(const std::vector<GameEntry>& games);

// `players` fixes the order (the first is the Elo reference); a name that
// only the games know is added at the end rather than dropped.
Standings compute_standings(std::vector<std::string> players, const std::vector<GameEntry>& games);

// The closing text: standings; for exactly two players the score of the
// first against the second with Elo, interval, likelihood of superiority and
// the SPRT if one ran; for more, a crosstable; then why games ended.
std::string summary_text(const Standings& standings,
                         const std::optional<SprtSettings>& sprt = std::nullopt);

}  // namespace referee
