// The field's ratings against fits made here another way: a closed form for
// two players, and for three a pattern search over the log-likelihood with
// the intervals from its numerical Hessian.
#include "referee/match/ratings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

namespace {

using referee::PairScores;
using referee::Score;

constexpr double kZ = 1.959963984540054;  // the 97.5 % normal quantile

// Player i's score against j and j's against i, both kept as the fit wants.
void add_pairing(PairScores& scores, int i, int j, int wins, int losses, int draws) {
    scores[{i, j}] = Score{wins, losses, draws};
    scores[{j, i}] = Score{losses, wins, draws};
}

double log_f(double d) {
    return -std::log(1 + std::pow(10.0, -d / 400));
}

// Two players, p the first's share of the points over n games: the rating
// difference is 400 log10(p / (1 - p)), split evenly about 0, and the
// information about the first's rating x (the difference is 2x) is
// 4 n k^2 p (1 - p), k = ln 10 / 400.
TEST(Ratings, TwoPlayersMatchTheClosedForm) {
    const struct {
        int wins, losses, draws;
    } cases[] = {{6, 4, 0}, {3, 1, 6}, {12, 20, 8}, {1, 1, 0}};
    for (const auto& c : cases) {
        PairScores scores;
        add_pairing(scores, 0, 1, c.wins, c.losses, c.draws);
        const auto fit = referee::fit_ratings(2, scores);
        ASSERT_TRUE(fit);
        EXPECT_FALSE(fit->prior);
        const double n = c.wins + c.losses + c.draws;
        const double p = (c.wins + 0.5 * c.draws) / n;
        const double x = 200 * std::log10(p / (1 - p));
        const double k = std::log(10.0) / 400;
        const double margin = kZ / std::sqrt(4 * n * k * k * p * (1 - p));
        const auto& first = fit->ratings[0];
        const auto& second = fit->ratings[1];
        EXPECT_NEAR(first.elo, x, 1e-6) << c.wins << "-" << c.losses << "=" << c.draws;
        EXPECT_NEAR(second.elo, -x, 1e-6);
        EXPECT_NEAR(first.low, x - margin, 1e-4);
        EXPECT_NEAR(first.high, x + margin, 1e-4);
        EXPECT_NEAR(second.high - second.low, 2 * margin, 1e-4);
    }
    EXPECT_FALSE(referee::fit_ratings(1, {}));
}

// a-b 6-4, b-c 7-3, a-c 8-2 over ten games each; then the same with c
// losing every game, where no plain fit exists and every player gets one
// virtual draw against the field's average (0).
TEST(Ratings, ThreePlayersMatchAPatternSearch) {
    for (const bool swept : {false, true}) {
        PairScores scores;
        add_pairing(scores, 0, 1, 6, 4, 0);
        add_pairing(scores, 1, 2, swept ? 10 : 7, swept ? 0 : 3, 0);
        add_pairing(scores, 0, 2, swept ? 10 : 8, swept ? 0 : 2, 0);
        const auto fit = referee::fit_ratings(3, scores);
        ASSERT_TRUE(fit);
        EXPECT_EQ(fit->prior, swept);

        // The log-likelihood in the ratings of a and b, c = -a - b.
        const auto likelihood = [&](double a, double b) {
            const double r[] = {a, b, -a - b};
            double sum = 0;
            for (const auto& [pair, s] : scores) {
                const double d = r[pair.first] - r[pair.second];
                // Each pairing is kept both ways round: half of each.
                sum += 0.5 * (s.points() * log_f(d) + (s.games() - s.points()) * log_f(-d));
            }
            if (swept) {
                for (const double x : r)
                    sum += 0.5 * log_f(x) + 0.5 * log_f(-x);
            }
            return sum;
        };
        double a = 0;
        double b = 0;
        double best = likelihood(a, b);
        for (double step = 256; step > 1e-8;) {
            bool moved = false;
            using Step = std::pair<double, double>;
            for (const auto& [da, db] : {Step{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, -1}, {-1, 1}}) {
                const double value = likelihood(a + step * da, b + step * db);
                if (value > best) {
                    best = value;
                    a += step * da;
                    b += step * db;
                    moved = true;
                }
            }
            if (!moved)
                step /= 2;
        }
        // The covariance: the inverse of minus the Hessian in (a, b), by
        // central differences.
        const double h = 0.5;
        const double faa = (likelihood(a + h, b) - 2 * best + likelihood(a - h, b)) / (h * h);
        const double fbb = (likelihood(a, b + h) - 2 * best + likelihood(a, b - h)) / (h * h);
        const double fab = (likelihood(a + h, b + h) - likelihood(a + h, b - h) -
                            likelihood(a - h, b + h) + likelihood(a - h, b - h)) /
                           (4 * h * h);
        const double det = faa * fbb - fab * fab;
        const double vaa = -fbb / det;
        const double vbb = -faa / det;
        const double vab = fab / det;
        const std::pair<double, double> expected[] = {
            {a, kZ * std::sqrt(vaa)},
            {b, kZ * std::sqrt(vbb)},
            {-a - b, kZ * std::sqrt(vaa + vbb + 2 * vab)}};
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& [elo, margin] = expected[i];
            const referee::Rating& got = fit->ratings[i];
            EXPECT_NEAR(got.elo, elo, 1e-4) << "player " << i << (swept ? ", swept" : "");
            EXPECT_NEAR(got.low, elo - margin, 1e-2) << "player " << i;
            EXPECT_NEAR(got.high, elo + margin, 1e-2) << "player " << i;
        }
    }
}

}  // namespace
