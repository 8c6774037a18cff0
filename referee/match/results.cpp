#include "referee/match/results.h"

#include <cmath>

namespace referee {
namespace {

std::optional<records::EloInterval> interval(const std::optional<EloEstimate>& estimate) {
    if (!estimate)
        return std::nullopt;
    return records::EloInterval{estimate->elo, estimate->low, estimate->high};
}

records::SprtVerdict verdict(SprtDecision decision) {
    switch (decision) {
        case SprtDecision::AcceptH1:
            return records::SprtVerdict::AcceptH1;
        case SprtDecision::AcceptH0:
            return records::SprtVerdict::AcceptH0;
        case SprtDecision::Continue:
            return records::SprtVerdict::None;
    }
    return records::SprtVerdict::None;
}

}  // namespace

records::GameEntry make_entry(int game, int scheduled, const std::string& black,
                              const std::string& white, const GameResult& result) {
    records::GameEntry entry;
    entry.game = game;
    entry.scheduled = scheduled;
    entry.black = black;
    entry.white = white;
    entry.result = result.outcome.result().text();
    entry.termination = result.outcome.describe();
    entry.reason = result.outcome.sentence();
    entry.plies = static_cast<int>(result.moves.size());
    for (const auto& move : result.moves) {
        entry.moves.push_back(protocol::format_move(move.move));
        // To the millisecond, as the record writes them.
        entry.times.push_back(std::round(move.seconds * 1000) / 1000);
        (move.side == rules::Side::Black ? entry.time_black : entry.time_white) += move.seconds;
    }
    entry.start = records::iso8601(result.started);
    entry.end = records::iso8601(result.ended);
    entry.usage = result.usage;
    const Outcome& outcome = result.outcome;
    if (const auto kind = fault_kind(outcome.reason); kind && outcome.loser) {
        const bool black_lost = *outcome.loser == rules::Side::Black;
        entry.fault = records::Fault{black_lost ? black : white, rules::side_name(*outcome.loser),
                                     std::string(*kind)};
    }
    return entry;
}

records::Summary summary_of(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    records::Summary summary;
    summary.players = standings.players;
    summary.unfinished = standings.unfinished;
    for (const auto& row : standings.rows) {
        const Score& s = row.score;
        records::SummaryRow& out = summary.standings.emplace_back();
        out.player = standings.players[static_cast<std::size_t>(row.player)];
        out.points = s.points();
        out.games = s.games();
        out.wins = s.wins;
        out.losses = s.losses;
        out.draws = s.draws;
        if (row.rating)
            out.rating = records::EloInterval{row.rating->elo, row.rating->low, row.rating->high};
    }
    if (standings.players.size() > 2)
        summary.rating_prior = standings.rating_prior;
    const Sample sample = standings.players.size() == 2 ? match_sample(standings) : Sample{};
    if (standings.players.size() == 2) {
        const Score s = standings.against(0, 1);
        records::SummaryMatch& match = summary.match.emplace();
        match.wins = s.wins;
        match.losses = s.losses;
        match.draws = s.draws;
        match.pentanomial = standings.pairs.counts;
        match.unpaired = standings.pairs.unpaired;
        match.model = model_name(sample.model);
        match.elo = interval(estimate_elo(sample));
        if (s.games() > 0)
            match.los = likelihood_of_superiority(s);
    }
    summary.reasons = standings.reasons;
    for (std::size_t i = 0; i < standings.faults.size(); ++i) {
        if (!standings.faults[i].empty())
            summary.faults.emplace_back(standings.players[i], standings.faults[i]);
    }
    if (sprt && standings.players.size() == 2) {
        const SprtState state = referee::sprt(sample, *sprt);
        summary.sprt = records::SummarySprt{model_name(state.model),
                                            sprt->elo0,
                                            sprt->elo1,
                                            sprt->alpha,
                                            sprt->beta,
                                            state.llr,
                                            state.lower,
                                            state.upper,
                                            verdict(state.decision)};
    }
    return summary;
}

std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    return records::summary_line(summary_of(standings, sprt));
}

}  // namespace referee
