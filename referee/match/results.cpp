#include "referee/match/results.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

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

// "games missing (3): 2, 5, 9", or empty when none is. Only the first few
// are named: one bad game number must not make the report as long as the
// gap. `games` are sorted by number, each number once.
std::string missing_games(const std::vector<GameEntry>& games) {
    constexpr long kNamed = 20;
    std::vector<long> present;
    long scheduled = 0;
    for (const auto& game : games) {
        present.push_back(game.game);
        scheduled = std::max<long>(scheduled, game.scheduled);
    }
    // One past the last game the run was to play closes the last gap.
    present.push_back(std::max(scheduled, present.empty() ? 0L : present.back()) + 1);
    std::string named;
    long count = 0;
    long expected = 1;
    for (const long number : present) {
        for (long k = 0; expected + k < number && count + k < kNamed; ++k)
            named += (named.empty() ? "" : ", ") + std::to_string(expected + k);
        count += number - expected;
        expected = number + 1;
    }
    if (count == 0)
        return "";
    return "games missing (" + std::to_string(count) + "): " + named +
           (count > kNamed ? ", ..." : "");
}

// What a merge kept of a game found twice, and why the two may differ.
std::string duplicate_note(const GameEntry& kept, const GameEntry& left_out) {
    std::string note = "game " + std::to_string(kept.game) + " appears more than once: kept " +
                       kept.origin + " (" + kept.result + "), the first read; left out " +
                       left_out.origin + " (" + left_out.result + ")";
    if (kept.run && left_out.run && kept.run != left_out.run)
        note += ", from another run (" + records::run_difference(*kept.run, *left_out.run) + ")";
    else if (kept.moves == left_out.moves)
        note += ", the same game";
    return note;
}

// One description per distinct run across all files: the games of a run
// compare by pointer, and the merged file says each run once.
void share_runs(std::vector<GameEntry>& games) {
    std::vector<std::shared_ptr<const RunInfo>> distinct;
    // A file's games share one already: the last one looked up answers most.
    std::shared_ptr<const RunInfo> last_read;
    std::shared_ptr<const RunInfo> last_kept;
    for (auto& game : games) {
        if (!game.run)
            continue;
        if (game.run == last_read) {
            game.run = last_kept;
            continue;
        }
        last_read = game.run;
        const auto found = std::find_if(distinct.begin(), distinct.end(),
                                        [&](const auto& run) { return *run == *game.run; });
        if (found == distinct.end())
            distinct.push_back(game.run);
        else
            game.run = *found;
        last_kept = game.run;
    }
}

}  // namespace

GameEntry make_entry(int game, int scheduled, const std::string& black, const std::string& white,
                     const GameResult& result) {
    GameEntry entry;
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
        (move.side == Side::Black ? entry.time_black : entry.time_white) += move.seconds;
    }
    entry.start = records::iso8601(result.started);
    entry.end = records::iso8601(result.ended);
    entry.usage = result.usage;
    const Outcome& outcome = result.outcome;
    if (const auto kind = fault_kind(outcome.reason); kind && outcome.loser) {
        const bool black_lost = *outcome.loser == Side::Black;
        entry.fault = records::Fault{black_lost ? black : white, side_name(*outcome.loser),
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

ReadResults merge_results(const std::vector<std::string>& paths) {
    ReadResults merged;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            merged.problems.push_back(path + ": cannot be read");
            ++merged.unreadable;
            continue;
        }
        // The moves stay: a merged results file keeps every game whole, so
        // that replay can show any of them. Memory grows with the input.
        ReadResults one = records::read_results(in, path);
        merged.problems.insert(merged.problems.end(), one.problems.begin(), one.problems.end());
        for (auto& build : one.builds) {
            std::erase_if(merged.builds,
                          [&](const records::Build& b) { return b.player == build.player; });
            merged.builds.push_back(std::move(build));
        }
        std::move(one.games.begin(), one.games.end(), std::back_inserter(merged.games));
    }
    share_runs(merged.games);
    // Stable: of two finished lines for one game (a job that ran twice), the
    // first read is kept, whatever order the sort would otherwise pick.
    std::stable_sort(merged.games.begin(), merged.games.end(),
                     [](const GameEntry& a, const GameEntry& b) { return a.game < b.game; });
    std::vector<GameEntry> unique;
    for (auto& game : merged.games) {
        if (!unique.empty() && unique.back().game == game.game) {
            if (records::replaces(unique.back(), game)) {
                unique.back() = std::move(game);
                continue;
            }
            if (!records::result_of(game).decided())
                continue;
            merged.problems.push_back(duplicate_note(unique.back(), game));
            continue;
        }
        unique.push_back(std::move(game));
    }
    merged.games = std::move(unique);
    const std::string missing = missing_games(merged.games);
    if (!missing.empty())
        merged.problems.push_back(missing);
    return merged;
}

}  // namespace referee
