// Ratings for a field of players from all their games at once: the
// maximum-likelihood fit of the logistic Elo model, as rating programs for
// engine tournaments compute it. docs/statistics.md explains it for the user.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "referee/stats/stats.h"

namespace referee {

// (i, j) -> player i's score against player j, kept for the pairs that
// played only (and both ways round): its size grows with the games, not
// with the square of the field.
using PairScores = std::map<std::pair<int, int>, Score>;

struct Rating {
    double elo = 0;  // relative to the field's average, which is 0
    double low = 0;  // 95 % interval
    double high = 0;
};

struct RatingFit {
    std::vector<Rating> ratings;  // in the order of the players
    // The plain fit did not exist (a player, or a group of players, won or
    // lost every game against the rest, or played none), so every player
    // got one virtual draw against an opponent of the field's average rating.
    bool prior = false;
};

// `scores` as above, for players 0 to `players` - 1. The ratings r maximise
//   sum over games of  s log F(r_i - r_j) + (1 - s) log F(r_j - r_i),
// F(d) = 1 / (1 + 10^(-d / 400)), s the points of player i (a draw is half a
// win and half a loss), with the average rating 0; the interval is
// r_i -+ 1.959964 * sqrt(C_ii), C the inverse of the Fisher information (the
// negative Hessian of that log-likelihood at the fit) under the same anchor.
// Colours are not modelled: a pairing plays both equally often.
// nullopt for fewer than two players. The fit works on the pairs that
// played (a sparse factorisation), so it takes any field: its memory grows
// with the games, not with the square of the field.
std::optional<RatingFit> fit_ratings(std::size_t players, const PairScores& scores);

}  // namespace referee
