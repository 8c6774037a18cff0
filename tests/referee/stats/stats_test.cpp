#include "referee/stats/stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

using referee::Pentanomial;
using referee::Sample;
using referee::Score;
using referee::SprtDecision;
using referee::SprtSettings;

// Every expected number below is computed here, by other means than
// stats.cpp uses: sums over the individual games or pairs rather than over
// counts, the normal distribution by numerical integration and bisection
// rather than erf, the likelihood ratio from explicit normal densities, and
// the exact generalized likelihood ratio by brute-force maximisation.

// Mean and variance over the samples one by one: each game (0, 1/2, 1) or
// pair (0, 1/4, ..., 1) with weight 1, plus, when a category is empty, the
// documented pseudo-count `prior` (1/2 for games, 1/4 for pairs) in every
// category, which is part of the statistic's definition.
struct Moments {
    double n = 0, mean = 0, variance = 0;
};

Moments moments(const std::vector<int>& counts, double prior) {
    const bool gap = std::find(counts.begin(), counts.end(), 0) != counts.end();
    std::vector<std::pair<double, double>> samples;  // (score, weight)
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const double x = static_cast<double>(k) / static_cast<double>(counts.size() - 1);
        samples.insert(samples.end(), static_cast<std::size_t>(counts[k]), {x, 1.0});
        if (gap)
            samples.emplace_back(x, prior);
    }
    Moments m;
    for (const auto& [x, w] : samples) {
        m.n += w;
        m.mean += w * x;
    }
    m.mean /= m.n;
    for (const auto& [x, w] : samples)
        m.variance += w * (x - m.mean) * (x - m.mean) / m.n;
    return m;
}

// The expected score of the logistic model, through exp rather than pow.
double expected_score(double elo) {
    return 1 / (1 + std::exp(-elo * std::log(10.0) / 400));
}

// The standard normal distribution function by Simpson's rule on the density.
double normal_cdf(double z) {
    const int steps = 20000;
    const double a = -12;
    const double h = (z - a) / steps;
    const auto phi = [](double x) { return std::exp(-x * x / 2) / std::sqrt(2 * M_PI); };
    double sum = phi(a) + phi(z);
    for (int i = 1; i < steps; ++i)
        sum += (i % 2 ? 4 : 2) * phi(a + i * h);
    return sum * h / 3;
}

double bisect(const std::function<double(double)>& f, double lo, double hi) {
    for (int i = 0; i < 200; ++i) {
        const double mid = (lo + hi) / 2;
        (f(mid) < 0) == (f(lo) < 0) ? lo = mid : hi = mid;
    }
    return (lo + hi) / 2;
}

// The normal approximation's log-likelihood ratio: the log of the normal
// density of the observed mean with variance v/N around s1 over that around
// s0, written out.
double normal_llr(const Moments& m, double elo0, double elo1) {
    const double se2 = m.variance / m.n;
    const auto log_density = [&](double s) {
        return -0.5 * std::log(2 * M_PI * se2) - (m.mean - s) * (m.mean - s) / (2 * se2);
    };
    return log_density(expected_score(elo1)) - log_density(expected_score(elo0));
}

// The exact generalized log-likelihood ratio of the counts (no
// regularisation): N times the difference of the best sum p^_k log p_k over
// distributions p with mean s1 and with mean s0, each maximum found by a
// brute-force search over the Lagrange multiplier of the mean constraint.
double exact_llr(const std::vector<int>& counts, double elo0, double elo1) {
    double n = 0;
    for (const int c : counts)
        n += c;
    const double step = 1.0 / static_cast<double>(counts.size() - 1);
    const auto best = [&](double s) {
        const auto constraint = [&](double lambda) {
            double sum = 0;
            for (std::size_t k = 0; k < counts.size(); ++k) {
                const double d = static_cast<double>(k) * step - s;
                sum += counts[k] / n * d / (1 + lambda * d);
            }
            return sum;
        };
        const double lambda = bisect(constraint, -(1 - 1e-12) / (1 - s), (1 - 1e-12) / s);
        double sum = 0;
        for (std::size_t k = 0; k < counts.size(); ++k) {
            const double p = counts[k] / n;
            if (p > 0)
                sum += p * std::log(p / (1 + lambda * (static_cast<double>(k) * step - s)));
        }
        return sum;
    };
    return n * (best(expected_score(elo1)) - best(expected_score(elo0)));
}

// The 97.5 % point of the standard normal distribution.
const double kZ = bisect([](double x) { return normal_cdf(x) - 0.975; }, 0, 5);

std::vector<int> wdl(const Score& s) {
    return {s.losses, s.draws, s.wins};
}

TEST(Stats, EloIntervalAndLosAgainstIndependentNumbers) {
    // The logistic model's published anchors: 400 points stronger scores 10
    // to 1; a 75 % score is 400 log10(3) = 190.85 points.
    EXPECT_NEAR(referee::fraction_from_elo(400), 10.0 / 11, 1e-12);
    EXPECT_NEAR(referee::elo_from_fraction(0.75), 190.848501887865, 1e-9);
    for (const Score& s : {Score{12, 8, 10}, Score{2, 3, 5}, Score{55, 50, 95}, Score{7, 0, 3}}) {
        const double m = static_cast<double>(2 * s.wins + s.draws) / (2 * s.games());
        const double margin = kZ * std::sqrt(moments(wdl(s), 0.5).variance / s.games());
        const auto e = referee::estimate_elo(s);
        ASSERT_TRUE(e);
        EXPECT_NEAR(expected_score(e->elo), m, 1e-9);
        EXPECT_NEAR(expected_score(e->low), m - margin, 1e-7) << s.wins;
        EXPECT_NEAR(expected_score(e->high), std::min(m + margin, 1.0), 1e-7) << s.wins;
        // LOS: the chance that a normal variable of mean W - L and variance
        // W + L is above 0.
        const double decisive = s.wins + s.losses;
        EXPECT_NEAR(referee::likelihood_of_superiority(s),
                    normal_cdf((s.wins - s.losses) / std::sqrt(decisive)), 1e-7);
    }
    EXPECT_EQ(referee::format_estimate(referee::estimate_elo(Score{12, 8, 10})),
              "+46.6 [-54.3, +156.2]");

    // Pairs: the interval of the mean pair score, from the pairs' variance.
    const auto e = referee::estimate_elo(Sample::of(Pentanomial{{2, 5, 9, 3, 1}, 1}));
    const Moments w = moments({2, 5, 9, 3, 1}, 0.25);
    EXPECT_NEAR(expected_score(e->low), w.mean - kZ * std::sqrt(w.variance / 20), 1e-7);
    EXPECT_NEAR(expected_score(e->high), w.mean + kZ * std::sqrt(w.variance / 20), 1e-7);
}

TEST(Stats, SweepsDrawsOneGameAndNoGame) {
    // A 4-0 sweep: +inf, and a finite lower bound from the regularised
    // variance: 4 wins plus 1/2 each of win, draw and loss.
    const auto sweep = referee::estimate_elo(Score{4, 0, 0});
    EXPECT_TRUE(std::isinf(sweep->elo) && sweep->elo > 0);
    EXPECT_TRUE(std::isinf(sweep->high) && sweep->high > 0);
    const double low = 1 - kZ * std::sqrt(moments({0, 0, 4}, 0.5).variance / 4);
    EXPECT_NEAR(expected_score(sweep->low), low, 1e-7);
    EXPECT_GT(sweep->low, 0);
    const auto lost = referee::estimate_elo(Score{0, 4, 0});
    EXPECT_EQ(referee::format_estimate(lost),
              "-inf [-inf, " + referee::format_elo(-sweep->low) + "]");
    // All draws: 0, with an interval as wide as the draws allow.
    const auto drawn = referee::estimate_elo(Score{0, 0, 6});
    EXPECT_EQ(drawn->elo, 0);
    EXPECT_NEAR(expected_score(drawn->high),
                0.5 + kZ * std::sqrt(moments({0, 6, 0}, 0.5).variance / 6), 1e-7);
    EXPECT_EQ(referee::format_elo(-0.0), "+0.0");
    EXPECT_EQ(referee::likelihood_of_superiority(Score{0, 0, 6}), 0.5);
    // One game: an interval reaching far down, and no decision.
    const SprtSettings wide{0, 50, 0.05, 0.05};
    const auto one = referee::estimate_elo(Score{1, 0, 0});
    EXPECT_LT(one->low, -100);
    EXPECT_EQ(referee::sprt(Sample::of(Score{1, 0, 0}), wide).decision, SprtDecision::Continue);
    // No game: nothing.
    EXPECT_FALSE(referee::estimate_elo(Score{}));
    EXPECT_EQ(referee::format_estimate(std::nullopt), "no estimate");
    EXPECT_EQ(referee::sprt(Sample::of(Score{}), wide).llr, 0);
    EXPECT_EQ(referee::sprt(Sample::of(Pentanomial{}), wide).llr, 0);
}

TEST(Stats, LlrAgainstTheNormalLikelihoodAndTheExactRatio) {
    struct Case {
        std::vector<int> counts;  // losses, draws, wins or pairs scoring 0 .. 2
        double elo0, elo1;
        SprtDecision decision;
    };
    for (const Case& c : {Case{{8, 10, 12}, 0, 5, SprtDecision::Continue},
                          Case{{200, 480, 320}, 0, 5, SprtDecision::AcceptH1},
                          Case{{300, 500, 200}, 0, 5, SprtDecision::AcceptH0},
                          Case{{150, 700, 150}, -3, 2, SprtDecision::Continue},
                          Case{{5, 30, 60, 40, 15}, 0, 10, SprtDecision::Continue},
                          Case{{10, 60, 100, 70, 20}, -2, 3, SprtDecision::Continue},
                          Case{{160, 460, 660, 360, 120}, 0, 5, SprtDecision::AcceptH0},
                          Case{{180, 540, 990, 630, 225}, 0, 5, SprtDecision::AcceptH1}}) {
        const bool pairs = c.counts.size() == 5;
        const Sample sample =
            pairs ? Sample::of(Pentanomial{
                        {c.counts[0], c.counts[1], c.counts[2], c.counts[3], c.counts[4]}, 0})
                  : Sample::of(Score{c.counts[2], c.counts[0], c.counts[1]});
        const SprtSettings settings{c.elo0, c.elo1, 0.05, 0.05};
        const auto state = referee::sprt(sample, settings);
        EXPECT_EQ(state.model, pairs ? referee::Model::Pentanomial : referee::Model::Trinomial);
        EXPECT_NEAR(state.llr, normal_llr(moments(c.counts, pairs ? 0.25 : 0.5), c.elo0, c.elo1),
                    1e-9);
        // The normal approximation stays within a few percent of the exact
        // generalized likelihood ratio while the mean score lies near s0
        // and s1, as in all of these.
        const double exact = exact_llr(c.counts, c.elo0, c.elo1);
        EXPECT_NEAR(state.llr, exact, 0.03 * std::abs(exact)) << c.counts[0];
        EXPECT_NEAR(state.upper, std::log(0.95 / 0.05), 1e-12);
        EXPECT_NEAR(state.lower, -std::log(0.95 / 0.05), 1e-12);
        EXPECT_EQ(state.decision, c.decision) << c.counts[0];
    }
    const auto h0 = referee::sprt(Sample::of(Score{200, 300, 500}), SprtSettings{});
    EXPECT_EQ(referee::describe_sprt(h0, SprtSettings{}),
              "SPRT (trinomial; elo0 0, elo1 5, alpha 0.05, beta 0.05): LLR -3.15 of [-2.94, "
              "2.94], H0 accepted");
}

// Pairs that all end the same way decide where the normal likelihood of
// the regularised pairs first crosses a bound: never after one pair, never
// not at all.
TEST(Stats, SweepsAndDrawsDecideAfterThePairsTheFormulaGives) {
    struct Case {
        std::size_t points;  // per pair, doubled: 0 .. 4
        double elo1;
        SprtDecision decision;
        int pairs;  // when it decides, from the documentation's table
    };
    for (const Case& c :
         {Case{4, 50, SprtDecision::AcceptH1, 6}, Case{0, 50, SprtDecision::AcceptH0, 5},
          Case{2, 50, SprtDecision::AcceptH0, 13}, Case{4, 5, SprtDecision::AcceptH1, 19}}) {
        const SprtSettings settings{0, c.elo1, 0.05, 0.05};
        Pentanomial pairs;
        referee::SprtState state;
        for (std::vector<int> counts(5, 0);
             state.decision == SprtDecision::Continue && pairs.pairs() < 1000;) {
            ++counts[c.points];
            ++pairs.counts[c.points];
            state = referee::sprt(Sample::of(pairs), settings);
            EXPECT_NEAR(state.llr, normal_llr(moments(counts, 0.25), 0, c.elo1), 1e-9);
            const bool crossed = std::abs(state.llr) >= std::log(0.95 / 0.05);
            EXPECT_EQ(crossed, state.decision != SprtDecision::Continue);
        }
        EXPECT_EQ(state.decision, c.decision) << c.points;
        EXPECT_EQ(pairs.pairs(), c.pairs) << c.points;
    }
}

TEST(Stats, SprtSettingsAreReadStrictly) {
    const auto good = referee::parse_sprt({"elo0=-1.5", "elo1=4", "alpha=0.05", "beta=0.1"});
    ASSERT_TRUE(std::holds_alternative<SprtSettings>(good));
    EXPECT_EQ(std::get<SprtSettings>(good).elo0, -1.5);
    EXPECT_EQ(std::get<SprtSettings>(good).beta, 0.1);
    for (const char* bad :
         {"elo0=0 elo1=5 alpha=0.05", "elo0=0 elo1=5 alpha=0.05 beta=0.05 beta=0.05",
          "elo0=0 elo1=5 alpha=x beta=0.05", "elo0=5 elo1=5 alpha=0.05 beta=0.05",
          "elo0=0 elo1=5 alpha=0 beta=0.05", "elo0=nan elo1=5 alpha=0.05 beta=0.05"}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(referee::parse_sprt({bad}))) << bad;
    }
}

}  // namespace
