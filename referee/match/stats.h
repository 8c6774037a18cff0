// How strong one player is against another, from a pile of game results: the
// score, its Elo difference with a 95 % interval, the likelihood of
// superiority and a sequential test that stops a match once it has decided.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace referee {

// One player's results against an opponent (or a field of opponents).
struct Score {
    int wins = 0;
    int losses = 0;
    int draws = 0;

    int games() const { return wins + losses + draws; }
    double points() const { return wins + 0.5 * draws; }
};

// Elo difference in the logistic model; a score of 0 or 1 lies infinitely
// far away and gives -infinity or +infinity.
double elo_from_fraction(double fraction);

struct EloEstimate {
    double elo = 0;  // may be +-infinity at a 0 % or 100 % score
    double low = 0;  // 95 % interval, each end possibly infinite
    double high = 0;
};

// nullopt without games: there is nothing to estimate.
std::optional<EloEstimate> estimate_elo(const Score& score);

// Probability that the player is the stronger one, from wins and losses
// alone; 0.5 while no game has been decisive.
double likelihood_of_superiority(const Score& score);

// "+46.6", "-3.0", "+inf", "-inf".
std::string format_elo(double elo);

// "+46.6 [-50.5, +143.7]" or "no estimate".
std::string format_estimate(const std::optional<EloEstimate>& estimate);

// The sequential probability ratio test between H0 "the player is elo0
// stronger" and H1 "it is elo1 stronger", with error rates alpha (accepting
// H1 when H0 holds) and beta (accepting H0 when H1 holds).
struct SprtSettings {
    double elo0 = 0;
    double elo1 = 5;
    double alpha = 0.05;
    double beta = 0.05;
};

enum class SprtDecision { Continue, AcceptH0, AcceptH1 };

struct SprtState {
    double llr = 0;
    double lower = 0;  // accept H0 at or below
    double upper = 0;  // accept H1 at or above
    SprtDecision decision = SprtDecision::Continue;
};

SprtState sprt(const Score& score, const SprtSettings& settings);

// "SPRT (elo0 0, elo1 5, alpha 0.05, beta 0.05): LLR 1.23 of [-2.94, 2.94], H1 accepted"
std::string describe_sprt(const SprtState& state, const SprtSettings& settings);

// Reads "elo0=A elo1=B alpha=X beta=Y" given as separate words (or one word
// holding them all), every key exactly once. An error message otherwise.
std::variant<SprtSettings, std::string> parse_sprt(const std::vector<std::string>& words);

}  // namespace referee
