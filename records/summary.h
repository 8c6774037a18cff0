// The summary line a run ends its results file with: {"summary": {...}},
// the standings with numbers, each player's rating for more than two
// players, the match statistics for two, and the SPRT state if one ran.
// The referee computes every number; this says how the line holds them.
// An infinite number is the string "inf" or "-inf", a missing estimate
// null (docs/statistics.md). Readers of results files skip the line.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace records {

// An Elo estimate with its 95 % interval; any of the three may be
// infinite.
struct EloInterval {
    double elo = 0;
    double low = 0;
    double high = 0;
};

// One row of the standings, best first.
struct SummaryRow {
    std::string player;
    double points = 0;
    int games = 0;
    int wins = 0;
    int losses = 0;
    int draws = 0;
    // Only for more than two players.
    std::optional<EloInterval> rating;
};

// Two players: the first's score against the second, and its statistics.
struct SummaryMatch {
    int wins = 0;
    int losses = 0;
    int draws = 0;
    std::array<int, 5> pentanomial{};
    int unpaired = 0;
    std::string model;  // "trinomial" or "pentanomial"
    std::optional<EloInterval> elo;
    std::optional<double> los;  // none before any game
};

enum class SprtVerdict { None, AcceptH0, AcceptH1 };

struct SummarySprt {
    std::string model;
    double elo0 = 0;
    double elo1 = 0;
    double alpha = 0;
    double beta = 0;
    double llr = 0;
    double lower = 0;
    double upper = 0;
    SprtVerdict verdict = SprtVerdict::None;
};

struct Summary {
    std::vector<std::string> players;  // in the order they were named
    int unfinished = 0;
    std::vector<SummaryRow> standings;
    // Written for more than two players only: whether the ratings needed
    // the prior.
    std::optional<bool> rating_prior;
    std::optional<SummaryMatch> match;
    std::map<std::string, int> reasons;  // why games ended, with counts
    // Each player that lost a game by its own fault, in the order of
    // `players`, with its faults counted by kind.
    std::vector<std::pair<std::string, std::map<std::string, int>>> faults;
    std::optional<SummarySprt> sprt;
};

// One line, ending in a newline.
std::string summary_line(const Summary& summary);

}  // namespace records
