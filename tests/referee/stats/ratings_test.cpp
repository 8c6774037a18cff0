#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include <Eigen/Dense>

#include "referee/stats/ratings.h"

namespace {

using referee::PairScores;

// Games with results drawn from hidden strengths, a third of them drawn so
// that every player scores against the rest: in `rounds` rounds of random
// pairs (a Swiss-like field, most pairs never meet), or with no rounds a
// ring, each player meeting the next twice. With `sweep_last` the last
// player loses every game.
PairScores random_field(int players, int rounds, unsigned seed, bool sweep_last = false) {
    std::mt19937 random(seed);
    std::vector<double> strength(static_cast<std::size_t>(players));
    for (auto& s : strength)
        s = std::normal_distribution<double>(0, 200)(random);
    PairScores scores;
    const auto play = [&](int a, int b) {
        const double d =
            strength[static_cast<std::size_t>(a)] - strength[static_cast<std::size_t>(b)];
        const double u = std::uniform_real_distribution<double>(0, 1)(random);
        const double win = 1 / (1 + std::pow(10.0, -d / 400));
        int outcome = u < 0.33 ? 0 : u < 0.33 + 0.67 * win ? 1 : -1;  // a's view
        if (sweep_last && (a == players - 1 || b == players - 1))
            outcome = a == players - 1 ? -1 : 1;
        auto& ab = scores[{a, b}];
        auto& ba = scores[{b, a}];
        if (outcome == 0) {
            ++ab.draws;
            ++ba.draws;
        } else {
            ++(outcome > 0 ? ab.wins : ab.losses);
            ++(outcome > 0 ? ba.losses : ba.wins);
        }
    };
    if (rounds == 0) {
        for (int a = 0; a < players; ++a) {
            play(a, (a + 1) % players);
            play((a + 1) % players, a);
        }
    }
    std::vector<int> order(static_cast<std::size_t>(players));
    std::iota(order.begin(), order.end(), 0);
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (std::size_t k = 0; k + 1 < order.size(); k += 2)
            play(order[k], order[k + 1]);
    }
    return scores;
}

double log_f(double d) {
    return -std::log1p(std::pow(10.0, -d / 400));
}

// The model's log-likelihood written out game by game, with the prior's
// virtual draw of every player against the field's mean when asked for.
double log_likelihood(const PairScores& scores, const std::vector<double>& r, bool prior) {
    double sum = 0;
    for (const auto& [pair, s] : scores) {
        const double d =
            r[static_cast<std::size_t>(pair.first)] - r[static_cast<std::size_t>(pair.second)];
        // Each game is in the map twice, once from each side: half of each.
        sum += 0.5 * (s.points() * log_f(d) + (s.games() - s.points()) * log_f(-d));
    }
    if (prior) {
        const double mean =
            std::accumulate(r.begin(), r.end(), 0.0) / static_cast<double>(r.size());
        for (const double x : r)
            sum += 0.5 * log_f(x - mean) + 0.5 * log_f(mean - x);
    }
    return sum;
}

std::vector<double> elos(const referee::RatingFit& fit) {
    std::vector<double> r;
    for (const auto& rating : fit.ratings)
        r.push_back(rating.elo);
    return r;
}

double expected_score(double difference) {
    return 1 / (1 + std::pow(10.0, -difference / 400));
}

// Large fields, of few games a player (a ring, where some player always
// scores nothing against the next, so the prior is needed) and of many
// (twelve rounds): the fit is the maximum, where each player's expected
// score against the opponents it met equals the points it made (with the
// prior, its virtual draw's half point against the average counts too,
// less the field's mean of those, as the average is held at 0), and the
// field's average is 0.
TEST(Ratings, LargeFieldsScoreWhatTheirRatingsExpect) {
    for (const auto& [players, rounds] : {std::pair{3000, 0}, std::pair{400, 12}}) {
        const PairScores scores = random_field(players, rounds, 7);
        const auto fit = referee::fit_ratings(static_cast<std::size_t>(players), scores);
        ASSERT_TRUE(fit);
        ASSERT_EQ(fit->prior, rounds == 0);
        const auto r = elos(*fit);
        std::vector<double> balance(r.size(), 0);  // points less expected points
        for (const auto& [pair, s] : scores) {
            const auto i = static_cast<std::size_t>(pair.first);
            const double d = r[i] - r[static_cast<std::size_t>(pair.second)];
            balance[i] += s.points() - s.games() * expected_score(d);
        }
        if (fit->prior) {
            std::vector<double> virtual_draw(r.size());
            for (std::size_t i = 0; i < r.size(); ++i)
                virtual_draw[i] = 0.5 - expected_score(r[i]);
            const double mean = std::accumulate(virtual_draw.begin(), virtual_draw.end(), 0.0) /
                                static_cast<double>(r.size());
            for (std::size_t i = 0; i < r.size(); ++i)
                balance[i] += virtual_draw[i] - mean;
        }
        for (std::size_t i = 0; i < r.size(); ++i) {
            ASSERT_NEAR(balance[i], 0, 1e-6) << "player " << i;
            const auto& rating = fit->ratings[i];
            EXPECT_LT(rating.low, rating.elo);
            EXPECT_GT(rating.high, rating.elo);
        }
        EXPECT_NEAR(std::accumulate(r.begin(), r.end(), 0.0), 0, 1e-6);
    }
}

// The intervals against the covariance computed another way: minus the
// Hessian of the log-likelihood above by central differences, made
// invertible by the anchor's direction, inverted densely. With and without
// the prior (the last player loses every game), on a ring and after five
// rounds of random pairs.
TEST(Ratings, IntervalsAreTheInverseCurvatureOfTheLikelihood) {
    for (const int rounds : {0, 5}) {
        for (const bool sweep : {false, true}) {
            const int n = 24;
            const PairScores scores = random_field(n, rounds, 11, sweep);
            const auto fit = referee::fit_ratings(n, scores);
            ASSERT_TRUE(fit);
            ASSERT_EQ(fit->prior, sweep);
            const auto r = elos(*fit);
            const double h = 0.5;
            const auto f = [&](std::size_t i, double di, std::size_t j, double dj) {
                auto x = r;
                x[i] += di;
                x[j] += dj;
                return log_likelihood(scores, x, sweep);
            };
            Eigen::MatrixXd information(n, n);
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
                for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
                    const double second =
                        (f(i, h, j, h) - f(i, h, j, -h) - f(i, -h, j, h) + f(i, -h, j, -h)) /
                        (4 * h * h);
                    information(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) =
                        -second + 1.0 / n;
                }
            }
            const Eigen::MatrixXd covariance =
                information.inverse() - Eigen::MatrixXd::Constant(n, n, 1.0 / n);
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
                const double margin =
                    1.959963984540054 * std::sqrt(covariance(static_cast<Eigen::Index>(i),
                                                             static_cast<Eigen::Index>(i)));
                EXPECT_NEAR(fit->ratings[i].high - fit->ratings[i].elo, margin, 1e-2 * margin)
                    << "player " << i << (sweep ? " with the prior" : "");
                EXPECT_NEAR(fit->ratings[i].elo - fit->ratings[i].low, margin, 1e-2 * margin);
            }
            // And the fit is the maximum of that likelihood: no single rating
            // moved by a point does better.
            const double best = log_likelihood(scores, r, sweep);
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
                EXPECT_LE(f(i, 1, i, 0), best + 1e-9);
                EXPECT_LE(f(i, -1, i, 0), best + 1e-9);
            }
        }
    }
}

// Small fields against fits made here another way: a closed form for two
// players, and for three a pattern search with its numerical Hessian.

using referee::Score;

constexpr double kZ = 1.959963984540054;  // the 97.5 % normal quantile

// Player i's score against j and j's against i, both kept as the fit wants.
void add_pairing(PairScores& scores, int i, int j, int wins, int losses, int draws) {
    scores[{i, j}] = Score{wins, losses, draws};
    scores[{j, i}] = Score{losses, wins, draws};
}

double log_logistic(double d) {
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
                sum += 0.5 *
                       (s.points() * log_logistic(d) + (s.games() - s.points()) * log_logistic(-d));
            }
            if (swept) {
                for (const double x : r)
                    sum += 0.5 * log_logistic(x) + 0.5 * log_logistic(-x);
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
