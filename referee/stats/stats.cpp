#include "referee/stats/stats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <sstream>

namespace referee {
namespace {

// The formulas, for samples (games or pairs of games) with scores x_k
// (0, 1/2, 1 for a game; 0, 1/4, ..., 1 for a pair, the pair's points over
// 2) and counts c_k, N = sum c_k:
//
//   mean score      m  = sum c_k x_k / N
//   Elo difference  D(m) = -400 * log10(1/m - 1)      (logistic model: a
//                   player 400 points stronger scores 10 to 1)
//   variance        v  = sum c_k (x_k - m)^2 / N
//   95 % interval   D(m -+ 1.959964 * sqrt(v' / N)), the normal interval of
//                   the mean score mapped through the same logistic curve,
//                   so it is lopsided wherever the curve is
//   likelihood of superiority
//                   LOS = 1/2 * (1 + erf((W - L) / sqrt(2 (W + L))))
//                   (draws carry no information about who is stronger)
//   SPRT            s0 = 1 / (1 + 10^(-elo0/400)), s1 likewise; the
//                   generalized log-likelihood ratio in the normal
//                   approximation of the mean score
//                   LLR = N' (s1 - s0) (2 m' - s0 - s1) / (2 v')
//                   accepts H0 at or below log(beta / (1 - alpha)) and H1 at
//                   or above log((1 - beta) / alpha).
//
// Primed values are regularised: when some category has no sample, every
// category gets a pseudo-count of 1/2 (games) or 1/4 (pairs). Without that a
// sweep or a run of draws has no variance at all: the LLR would be
// undefined and the interval a point.
constexpr double kZ95 = 1.959963984540054;

struct Moments {
    double n = 0;
    double mean = 0;
    double variance = 0;
};

Moments moments(const Sample& sample, double extra) {
    Moments out;
    const double last = static_cast<double>(sample.counts.size()) - 1;
    for (std::size_t k = 0; k < sample.counts.size(); ++k) {
        out.n += sample.counts[k] + extra;
        out.mean += (sample.counts[k] + extra) * static_cast<double>(k) / last;
    }
    out.mean /= out.n;
    for (std::size_t k = 0; k < sample.counts.size(); ++k) {
        const double d = static_cast<double>(k) / last - out.mean;
        out.variance += (sample.counts[k] + extra) * d * d;
    }
    out.variance /= out.n;
    return out;
}

Moments regularised(const Sample& sample) {
    const bool gap =
        std::any_of(sample.counts.begin(), sample.counts.end(), [](double c) { return c <= 0; });
    const double extra = sample.model == Model::Trinomial ? 0.5 : 0.25;
    return moments(sample, gap ? extra : 0);
}

std::optional<double> to_double(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int Pentanomial::pairs() const {
    int sum = 0;
    for (const int count : counts)
        sum += count;
    return sum;
}

const char* model_name(Model model) {
    return model == Model::Trinomial ? "trinomial" : "pentanomial";
}

Sample Sample::of(const Score& score) {
    return {Model::Trinomial,
            {static_cast<double>(score.losses), static_cast<double>(score.draws),
             static_cast<double>(score.wins)}};
}

Sample Sample::of(const Pentanomial& pairs) {
    return {Model::Pentanomial, std::vector<double>(pairs.counts.begin(), pairs.counts.end())};
}

double Sample::size() const {
    double sum = 0;
    for (const double count : counts)
        sum += count;
    return sum;
}

double fraction_from_elo(double elo) {
    return 1 / (1 + std::pow(10.0, -elo / 400));
}

double elo_from_fraction(double fraction) {
    if (fraction <= 0)
        return -std::numeric_limits<double>::infinity();
    if (fraction >= 1)
        return std::numeric_limits<double>::infinity();
    return -400 * std::log10(1 / fraction - 1);
}

std::optional<EloEstimate> estimate_elo(const Sample& sample) {
    const double n = sample.size();
    if (n <= 0)
        return std::nullopt;
    const double m = moments(sample, 0).mean;
    const double margin = kZ95 * std::sqrt(regularised(sample).variance / n);
    return EloEstimate{elo_from_fraction(m), elo_from_fraction(m - margin),
                       elo_from_fraction(m + margin)};
}

std::optional<EloEstimate> estimate_elo(const Score& score) {
    return estimate_elo(Sample::of(score));
}

double likelihood_of_superiority(const Score& score) {
    const int decisive = score.wins + score.losses;
    if (decisive == 0)
        return 0.5;
    return 0.5 * (1 + std::erf((score.wins - score.losses) / std::sqrt(2.0 * decisive)));
}

std::string format_elo(double elo) {
    if (std::isinf(elo))
        return elo > 0 ? "+inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", elo);
    // "-0.0" would claim a direction the data does not have.
    return std::string(text) == "-0.0" ? "+0.0" : text;
}

std::string format_estimate(const std::optional<EloEstimate>& estimate) {
    if (!estimate)
        return "no estimate";
    return format_elo(estimate->elo) + " [" + format_elo(estimate->low) + ", " +
           format_elo(estimate->high) + "]";
}

SprtState sprt(const Sample& sample, const SprtSettings& settings) {
    SprtState state;
    state.model = sample.model;
    state.lower = std::log(settings.beta / (1 - settings.alpha));
    state.upper = std::log((1 - settings.beta) / settings.alpha);
    if (sample.size() <= 0)
        return state;
    const Moments r = regularised(sample);
    const double s0 = fraction_from_elo(settings.elo0);
    const double s1 = fraction_from_elo(settings.elo1);
    state.llr = r.n * (s1 - s0) * (2 * r.mean - s0 - s1) / (2 * r.variance);
    if (state.llr >= state.upper)
        state.decision = SprtDecision::AcceptH1;
    else if (state.llr <= state.lower)
        state.decision = SprtDecision::AcceptH0;
    return state;
}

std::string describe_sprt(const SprtState& state, const SprtSettings& settings) {
    char text[256];
    const char* verdict = state.decision == SprtDecision::AcceptH1   ? "H1 accepted"
                          : state.decision == SprtDecision::AcceptH0 ? "H0 accepted"
                                                                     : "no decision yet";
    std::snprintf(text, sizeof text,
                  "SPRT (%s; elo0 %g, elo1 %g, alpha %g, beta %g): LLR %.2f of [%.2f, %.2f], %s",
                  model_name(state.model), settings.elo0, settings.elo1, settings.alpha,
                  settings.beta, state.llr, state.lower, state.upper, verdict);
    return text;
}

std::variant<SprtSettings, std::string> parse_sprt(const std::vector<std::string>& words) {
    std::map<std::string, double> values;
    std::vector<std::string> pairs;
    for (const auto& word : words) {
        std::istringstream split(word);
        std::string pair;
        while (split >> pair)
            pairs.push_back(pair);
    }
    for (const auto& pair : pairs) {
        const auto eq = pair.find('=');
        const std::string key = pair.substr(0, eq);
        if (eq == std::string::npos ||
            (key != "elo0" && key != "elo1" && key != "alpha" && key != "beta")) {
            return "--sprt takes elo0=A elo1=B alpha=X beta=Y, not \"" + pair + "\"";
        }
        const auto value = to_double(pair.substr(eq + 1));
        if (!value)
            return "--sprt: " + key + " needs a number, not \"" + pair.substr(eq + 1) + "\"";
        if (!values.emplace(key, *value).second)
            return "--sprt: " + key + " is given twice";
    }
    if (values.size() != 4)
        return "--sprt needs all of elo0=A elo1=B alpha=X beta=Y";
    const SprtSettings settings{values["elo0"], values["elo1"], values["alpha"], values["beta"]};
    if (!(settings.elo0 < settings.elo1))
        return "--sprt: elo0 must be below elo1";
    const auto rate = [](double p) { return p > 0 && p < 0.5; };
    if (!rate(settings.alpha) || !rate(settings.beta))
        return "--sprt: alpha and beta must lie between 0 and 0.5";
    return settings;
}

}  // namespace referee
