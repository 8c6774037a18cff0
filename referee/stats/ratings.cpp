#include "referee/stats/ratings.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include <Eigen/Dense>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

namespace referee {
namespace {

constexpr double kZ95 = 1.959963984540054;
// d/dd log F(d) = kScale * (1 - F(d)) for ratings in Elo points.
const double kScale = std::log(10.0) / 400;

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;
using Sparse = Eigen::SparseMatrix<double>;

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

// The curvature of the log-likelihood (its negative Hessian) N, split as
//   N = S + V D V^T:
// S sparse (each pair that played couples its two players, and the
// prior adds to the diagonal), V D V^T the prior's coupling of every
// player to the mean rating, of rank two. Kept this way, the fit's work
// grows with the games played and a solve never forms an n x n matrix.
struct Curvature {
    Sparse s;
    Matrix v;  // n x 2 with the prior, n x 0 without
    Matrix d;  // 2 x 2 with the prior
};

// The log-likelihood of the games (and the prior's virtual draws, each
// against an opponent at the average rating) as a function of the ratings.
class LogLikelihood {
  public:
    LogLikelihood(std::size_t players, const PairScores& scores, bool prior)
        : scores_(scores), prior_(prior), n_(static_cast<Eigen::Index>(players)) {}

    double value(const Vector& r) const {
        double sum = 0;
        for (const auto& [pair, score] : scores_) {
            const auto [i, j] = index(pair);
            if (i != j && points(score) > 0)
                sum += points(score) * log_expected(r[i] - r[j]);
        }
        if (prior_) {
            const double m = r.mean();
            for (const double ri : r)
                sum += 0.5 * (log_expected(ri - m) + log_expected(m - ri));
        }
        return sum;
    }

    void derivatives(const Vector& r, Vector& gradient, Curvature& curvature) const {
        gradient.setZero(n_);
        std::vector<Eigen::Triplet<double>> entries;
        for (const auto& [pair, score] : scores_) {
            const auto [i, j] = index(pair);
            const double games = score.games();
            if (i == j || games == 0)
                continue;
            const double f = expected(r[i] - r[j]);
            gradient[i] += kScale * (points(score) - games * f);
            const double bend = kScale * kScale * games * f * (1 - f);
            entries.emplace_back(i, i, bend);
            entries.emplace_back(i, j, -bend);
        }
        curvature.v.resize(n_, 0);
        if (prior_)
            add_prior(r, gradient, entries, curvature);
        curvature.s.resize(n_, n_);
        curvature.s.setFromTriplets(entries.begin(), entries.end());
    }

  private:
    // The prior is a function of d_i = r_i - m, m the mean rating:
    // d d_i / d r_j = [i == j] - 1/n. With b_i the second derivative of
    // player i's virtual draw, its curvature is
    //   -diag(b) + (b 1^T + 1 b^T) / n - (sum b) / n^2 * 1 1^T.
    void add_prior(const Vector& r, Vector& gradient, std::vector<Eigen::Triplet<double>>& entries,
                   Curvature& curvature) const {
        const double m = r.mean();
        const auto count = static_cast<double>(n_);
        Vector slope(n_);
        Vector bend(n_);
        for (Eigen::Index i = 0; i < n_; ++i) {
            const double f = expected(r[i] - m);
            slope[i] = kScale * (0.5 - f);
            bend[i] = -kScale * kScale * f * (1 - f);
            entries.emplace_back(i, i, -bend[i]);
        }
        gradient.array() += slope.array() - slope.mean();
        curvature.v.resize(n_, 2);
        curvature.v.col(0) = bend;
        curvature.v.col(1).setOnes();
        curvature.d.resize(2, 2);
        curvature.d << 0, 1 / count, 1 / count, -bend.sum() / (count * count);
    }

    static std::pair<Eigen::Index, Eigen::Index> index(const std::pair<int, int>& pair) {
        return {pair.first, pair.second};
    }

    const PairScores& scores_;
    bool prior_;
    Eigen::Index n_;
};

// Solves with the curvature N. Moving every rating together changes
// nothing, so N is singular along (1, ..., 1); with the average anchored
// at 0 its inverse is the pseudo-inverse P M P, where M inverts N with
// player 0 held fixed (its row and column removed: then positive
// definite) and P subtracts the mean.
//
// Where each player met at most about one other on average (a ring, a
// gauntlet, a round of pairs), a sparse factorisation of S takes time and
// memory in proportion to the players, and the prior's rank-two part comes
// in by the Woodbury identity: so a field of any size is rated. Where
// players met more (several Swiss rounds, a round robin), eliminating any
// player couples nearly all the others, a sparse factorisation fills in to
// a dense one, and the dense Cholesky factorisation is far faster.
class CurvatureSolver {
  public:
    explicit CurvatureSolver(const Curvature& curvature)
        : n_(curvature.s.rows()), dense_(curvature.s.nonZeros() > 3 * n_) {
        const Eigen::Index m = n_ - 1;
        const Sparse fixed = curvature.s.bottomRightCorner(m, m);
        const Matrix v = curvature.v.bottomRows(m);
        if (dense_) {
            Matrix held = fixed;
            if (v.cols() > 0)
                held += v * curvature.d * v.transpose();
            dense_factor_.compute(held);
            return;
        }
        sparse_factor_.compute(fixed);
        if (v.cols() > 0) {
            v_ = v;
            w_ = sparse_factor_.solve(v);
            capacity_ = (curvature.d.inverse() + v.transpose() * w_).inverse();
        }
    }

    // N^+ g: the step of Newton's method for the gradient g.
    Vector solve(const Vector& g) const { return centred(grounded(centred(g).tail(n_ - 1))); }

    // The diagonal of N^+, the ratings' variances: from the diagonal and
    // the row sums of M, P M P's diagonal is
    //   M_ii - 2 (M 1)_i / n + 1^T M 1 / n^2.
    Vector variances() const {
        Vector diagonal = Vector::Zero(n_);
        diagonal.tail(n_ - 1) = held_diagonal();
        const Vector row_sums = grounded(Vector::Ones(n_ - 1));
        const auto count = static_cast<double>(n_);
        diagonal -= 2 * row_sums / count;
        diagonal.array() += row_sums.sum() / (count * count);
        return diagonal;
    }

  private:
    // M b: the rating changes of players 0 to n - 1, player 0's none.
    Vector grounded(const Vector& b) const {
        Vector x = Vector::Zero(n_);
        if (dense_) {
            x.tail(n_ - 1) = dense_factor_.solve(b);
            return x;
        }
        Vector y = sparse_factor_.solve(b);
        if (v_.cols() > 0)
            y -= w_ * (capacity_ * (v_.transpose() * y));
        x.tail(n_ - 1) = y;
        return x;
    }

    // The diagonal of M without player 0's row and column.
    Vector held_diagonal() const {
        const Eigen::Index m = n_ - 1;
        if (dense_) {
            // With M = L^-T L^-1, M_ii is the squared norm of column i of L^-1.
            const Matrix inverse_l = dense_factor_.matrixL().solve(Matrix::Identity(m, m));
            return inverse_l.colwise().squaredNorm().transpose();
        }
        Vector diagonal(m);
        Vector unit = Vector::Zero(m);
        for (Eigen::Index i = 0; i < m; ++i) {
            unit[i] = 1;
            diagonal[i] = grounded(unit)[i + 1];
            unit[i] = 0;
        }
        return diagonal;
    }

    static Vector centred(Vector x) {
        x.array() -= x.mean();
        return x;
    }

    Eigen::Index n_;
    bool dense_;
    Eigen::LLT<Matrix> dense_factor_;
    Eigen::SimplicialLDLT<Sparse> sparse_factor_;
    Matrix v_;         // the prior's V without player 0
    Matrix w_;         // S^-1 V
    Matrix capacity_;  // (D^-1 + V^T S^-1 V)^-1
};

}  // namespace

std::optional<RatingFit> fit_ratings(std::size_t players, const PairScores& scores) {
    if (players < 2)
        return std::nullopt;
    const auto n = static_cast<Eigen::Index>(players);
    RatingFit fit;
    fit.prior = !plain_fit_exists(players, scores);
    const LogLikelihood likelihood(players, scores, fit.prior);
    // Newton's method on a concave function, each step halved until it
    // gains; the steps keep the average at 0.
    Vector r = Vector::Zero(n);
    Vector gradient;
    Curvature curvature;
    double value = likelihood.value(r);
    for (int iteration = 0; iteration < 200; ++iteration) {
        likelihood.derivatives(r, gradient, curvature);
        const Vector step = CurvatureSolver(curvature).solve(gradient);
        if (step.lpNorm<Eigen::Infinity>() < 1e-9)
            break;
        bool moved = false;
        for (double t = 1; t > 1e-6 && !moved; t /= 2) {
            const Vector next = r + t * step;
            const double next_value = likelihood.value(next);
            if (next_value >= value) {
                r = next;
                value = next_value;
                moved = true;
            }
        }
        // At the maximum the rounding of the likelihood can hide a gain
        // the step still promises: nothing is left to gain.
        if (!moved)
            break;
    }
    likelihood.derivatives(r, gradient, curvature);
    const Vector variances = CurvatureSolver(curvature).variances();
    for (Eigen::Index i = 0; i < n; ++i) {
        const double margin = kZ95 * std::sqrt(std::max(variances[i], 0.0));
        // Below the fit's precision a rating is the average itself.
        const double elo = std::abs(r[i]) < 1e-9 ? 0 : r[i];
        fit.ratings.push_back({elo, elo - margin, elo + margin});
    }
    return fit;
}

}  // namespace referee
