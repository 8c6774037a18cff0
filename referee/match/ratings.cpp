#include "referee/match/ratings.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace referee {
namespace {

constexpr double kZ95 = 1.959963984540054;
// d/dd log F(d) = kScale * (1 - F(d)) for ratings in Elo points.
const double kScale = std::log(10.0) / 400;

using Matrix = std::vector<std::vector<double>>;

double expected(double difference) {
    return 1 / (1 + std::exp(-kScale * difference));
}

// log F(d), without overflow for a large |d|.
double log_expected(double difference) {
    const double x = -kScale * difference;
    return x > 0 ? -(x + std::log1p(std::exp(-x))) : -std::log1p(std::exp(x));
}

double points(const Score& score) {
    return score.wins + 0.5 * score.draws;
}

// The plain fit exists when no group of players scored nothing (not even a
// draw) against the rest: every player reaches every other along "scored
// against". Checked from player 0 forwards and backwards.
bool plain_fit_exists(std::size_t n, const PairScores& scores) {
    std::vector<std::vector<std::size_t>> scored_against(n);
    std::vector<std::vector<std::size_t>> conceded_to(n);
    for (const auto& [pair, score] : scores) {
        if (pair.first == pair.second || points(score) <= 0)
            continue;
        const auto i = static_cast<std::size_t>(pair.first);
        const auto j = static_cast<std::size_t>(pair.second);
        scored_against[i].push_back(j);
        conceded_to[j].push_back(i);
    }
    for (const auto* edges : {&scored_against, &conceded_to}) {
        std::vector<bool> seen(n, false);
        std::vector<std::size_t> todo{0};
        seen[0] = true;
        while (!todo.empty()) {
            const std::size_t i = todo.back();
            todo.pop_back();
            for (const std::size_t j : (*edges)[i]) {
                if (!seen[j]) {
                    seen[j] = true;
                    todo.push_back(j);
                }
            }
        }
        if (std::find(seen.begin(), seen.end(), false) != seen.end())
            return false;
    }
    return true;
}

// The log-likelihood of the games (and the prior's virtual draws, each
// against an opponent at the average rating) as a function of the ratings.
class LogLikelihood {
  public:
    LogLikelihood(std::size_t players, const PairScores& scores, bool prior)
        : scores_(scores), prior_(prior), n_(players) {}

    double value(const std::vector<double>& r) const {
        double sum = 0;
        for (const auto& [pair, score] : scores_) {
            const auto [i, j] = index(pair);
            if (i != j && points(score) > 0)
                sum += points(score) * log_expected(r[i] - r[j]);
        }
        if (prior_) {
            const double m = mean(r);
            for (const double ri : r)
                sum += 0.5 * (log_expected(ri - m) + log_expected(m - ri));
        }
        return sum;
    }

    void derivatives(const std::vector<double>& r, std::vector<double>& gradient,
                     Matrix& hessian) const {
        gradient.assign(n_, 0);
        hessian.assign(n_, std::vector<double>(n_, 0));
        for (const auto& [pair, score] : scores_) {
            const auto [i, j] = index(pair);
            const double games = score.games();
            if (i == j || games == 0)
                continue;
            const double f = expected(r[i] - r[j]);
            gradient[i] += kScale * (points(score) - games * f);
            const double curvature = kScale * kScale * games * f * (1 - f);
            hessian[i][i] -= curvature;
            hessian[i][j] += curvature;
        }
        if (!prior_)
            return;
        // The prior is a function of d_i = r_i - m, m the mean rating:
        // d d_i / d r_j = [i == j] - 1/n.
        const double m = mean(r);
        const auto count = static_cast<double>(n_);
        std::vector<double> slope(n_);
        std::vector<double> bend(n_);
        double slope_sum = 0;
        double bend_sum = 0;
        for (std::size_t i = 0; i < n_; ++i) {
            const double f = expected(r[i] - m);
            slope[i] = kScale * (0.5 - f);
            bend[i] = -kScale * kScale * f * (1 - f);
            slope_sum += slope[i];
            bend_sum += bend[i];
        }
        for (std::size_t j = 0; j < n_; ++j) {
            gradient[j] += slope[j] - slope_sum / count;
            for (std::size_t l = 0; l < n_; ++l) {
                hessian[j][l] += (j == l ? bend[j] : 0) - (bend[j] + bend[l]) / count +
                                 bend_sum / (count * count);
            }
        }
    }

  private:
    static std::pair<std::size_t, std::size_t> index(const std::pair<int, int>& pair) {
        return {static_cast<std::size_t>(pair.first), static_cast<std::size_t>(pair.second)};
    }

    static double mean(const std::vector<double>& r) {
        double sum = 0;
        for (const double x : r)
            sum += x;
        return sum / static_cast<double>(r.size());
    }

    const PairScores& scores_;
    bool prior_;
    std::size_t n_;
};

// Gauss-Jordan elimination with partial pivoting; `a` is positive definite
// here, so no pivot vanishes.
Matrix inverse(Matrix a) {
    const std::size_t n = a.size();
    Matrix out(n, std::vector<double>(n, 0));
    for (std::size_t i = 0; i < n; ++i)
        out[i][i] = 1;
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < n; ++r) {
            if (std::abs(a[r][c]) > std::abs(a[pivot][c]))
                pivot = r;
        }
        std::swap(a[c], a[pivot]);
        std::swap(out[c], out[pivot]);
        const double p = a[c][c];
        for (std::size_t k = 0; k < n; ++k) {
            a[c][k] /= p;
            out[c][k] /= p;
        }
        for (std::size_t r = 0; r < n; ++r) {
            const double factor = a[r][c];
            if (r == c || factor == 0)
                continue;
            for (std::size_t k = 0; k < n; ++k) {
                a[r][k] -= factor * a[c][k];
                out[r][k] -= factor * out[c][k];
            }
        }
    }
    return out;
}

// The negative Hessian with the anchor's direction (all ratings moving
// together, along which the likelihood is flat) filled in: its inverse
// minus the same term is the covariance of the ratings with average 0.
Matrix anchored_information(const Matrix& hessian) {
    const std::size_t n = hessian.size();
    Matrix a(n, std::vector<double>(n));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j)
            a[i][j] = -hessian[i][j] + 1.0 / static_cast<double>(n);
    }
    return a;
}

}  // namespace

std::optional<RatingFit> fit_ratings(std::size_t players, const PairScores& scores) {
    const std::size_t n = players;
    if (n < 2)
        return std::nullopt;
    RatingFit fit;
    fit.prior = !plain_fit_exists(n, scores);
    const LogLikelihood likelihood(n, scores, fit.prior);
    // Newton's method on a concave function, each step halved until it
    // gains; the steps keep the average at 0.
    std::vector<double> r(n, 0);
    std::vector<double> gradient;
    Matrix hessian;
    double value = likelihood.value(r);
    for (int iteration = 0; iteration < 200; ++iteration) {
        likelihood.derivatives(r, gradient, hessian);
        const Matrix step_of = inverse(anchored_information(hessian));
        std::vector<double> step(n, 0);
        double largest = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j)
                step[i] += step_of[i][j] * gradient[j];
            largest = std::max(largest, std::abs(step[i]));
        }
        if (largest < 1e-9)
            break;
        for (double t = 1; t > 1e-6; t /= 2) {
            std::vector<double> next(n);
            for (std::size_t i = 0; i < n; ++i)
                next[i] = r[i] + t * step[i];
            const double next_value = likelihood.value(next);
            if (next_value >= value) {
                r = std::move(next);
                value = next_value;
                break;
            }
        }
    }
    likelihood.derivatives(r, gradient, hessian);
    const Matrix covariance = inverse(anchored_information(hessian));
    for (std::size_t i = 0; i < n; ++i) {
        const double variance = covariance[i][i] - 1.0 / static_cast<double>(n);
        const double margin = kZ95 * std::sqrt(std::max(variance, 0.0));
        // Below the fit's precision a rating is the average itself.
        const double elo = std::abs(r[i]) < 1e-9 ? 0 : r[i];
        fit.ratings.push_back({elo, elo - margin, elo + margin});
    }
    return fit;
}

}  // namespace referee
