// How strong one player is against another, from a pile of game results: the
// score, its Elo difference with a 95 % interval, the likelihood of
// superiority and a sequential test that stops a match once it has decided.
// docs/statistics.md explains every number for the user.
#pragma once

#include <array>
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

// A match's games taken two at a time: games 2k-1 and 2k of a pairing have
// the colours swapped, and together they are one sample. counts[k] is the
// number of pairs in which the player scored k/2 of the 2 points.
struct Pentanomial {
    std::array<int, 5> counts{};
    // Finished games whose partner is missing or unfinished (the last game of
    // an odd-length match): counted in the score, left out of the pairs.
    int unpaired = 0;

    int pairs() const;
};

// Which samples a statistic was computed from: single games (win, draw or
// loss) or pairs of games with colours swapped (five outcomes).
enum class Model { Trinomial, Pentanomial };

const char* model_name(Model model);  // "trinomial", "pentanomial"

// The samples one statistic is computed from: counts[k] samples scored
// k / (counts.size() - 1) of the points; 3 counts for single games, 5 for
// pairs.
struct Sample {
    Model model = Model::Trinomial;
    std::vector<double> counts;

    static Sample of(const Score& score);  // losses, draws, wins
    static Sample of(const Pentanomial& pairs);
    double size() const;
};

// Elo difference in the logistic model; a score of 0 or 1 lies infinitely
// far away and gives -infinity or +infinity.
double elo_from_fraction(double fraction);
// The expected score of a player `elo` points stronger: 1 / (1 + 10^(-elo/400)).
double fraction_from_elo(double elo);

struct EloEstimate {
    double elo = 0;  // may be +-infinity at a 0 % or 100 % score
    double low = 0;  // 95 % interval, each end possibly infinite
    double high = 0;
};

// The Elo difference of the mean score and the normal 95 % interval of that
// mean mapped through the logistic curve, its variance regularised as the
// SPRT's is (see sprt()), so that a sweep still has a finite bound on the
// side the games can rule out. nullopt without samples.
std::optional<EloEstimate> estimate_elo(const Sample& sample);
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
    Model model = Model::Trinomial;
    double llr = 0;
    double lower = 0;  // accept H0 at or below
    double upper = 0;  // accept H1 at or above
    SprtDecision decision = SprtDecision::Continue;
};

// The generalized SPRT in its normal approximation, from the mean m and the
// variance v of the N samples (games or pairs) with s0, s1 the expected
// scores at elo0 and elo1:  LLR = N (s1 - s0) (2 m - s0 - s1) / (2 v).
// When a result category has no sample yet, every category gets a
// pseudo-count (1/2 for games, 1/4 for pairs) before m, v and N are taken:
// a sweep then has a variance, and the test decides after the number of
// games this gives rather than never (or after the first).
SprtState sprt(const Sample& sample, const SprtSettings& settings);

// "SPRT (pentanomial; elo0 0, elo1 5, alpha 0.05, beta 0.05): LLR 1.23 of
// [-2.94, 2.94], H1 accepted"
std::string describe_sprt(const SprtState& state, const SprtSettings& settings);

// Reads "elo0=A elo1=B alpha=X beta=Y" given as separate words (or one word
// holding them all), every key exactly once. An error message otherwise.
std::variant<SprtSettings, std::string> parse_sprt(const std::vector<std::string>& words);

}  // namespace referee
