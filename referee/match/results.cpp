#include "referee/match/results.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <variant>

namespace referee {
namespace {

// Keys stay in the order they are written, as the format lists them.
using json = nlohmann::ordered_json;

// Player names come from the command line and may hold any bytes; invalid
// UTF-8 is replaced rather than making the dump throw and lose the summary.
std::string dump_line(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

// Numbers of the summary as docs/statistics.md describes them: infinity
// has no JSON spelling and is the string "inf" or "-inf"; a zero is 0, never
// -0.0 (which would claim a direction the data does not have).
json number(double value) {
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return value == 0 ? 0.0 : value;
}

// An estimate's three numbers, null where there is no estimate (no games).
void add_estimate(json& item, const char* key, const std::optional<EloEstimate>& estimate) {
    const std::string name = key;
    item[name] = estimate ? number(estimate->elo) : json(nullptr);
    item[name + "_low"] = estimate ? number(estimate->low) : json(nullptr);
    item[name + "_high"] = estimate ? number(estimate->high) : json(nullptr);
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

std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    json rows = json::array();
    int rank = 0;
    for (const auto& row : standings.rows) {
        const Score& s = row.score;
        json item{{"rank", ++rank},
                  {"player", standings.players[row.player]},
                  {"points", number(s.points())},
                  {"games", s.games()},
                  {"wins", s.wins},
                  {"losses", s.losses},
                  {"draws", s.draws},
                  {"score", s.games() == 0 ? json(nullptr) : number(s.points() / s.games())}};
        if (row.rating) {
            const Rating& r = *row.rating;
            add_estimate(item, "rating", EloEstimate{r.elo, r.low, r.high});
        }
        rows.push_back(std::move(item));
    }
    json summary{{"players", standings.players},
                 {"unfinished", standings.unfinished},
                 {"standings", std::move(rows)}};
    if (standings.players.size() > 2)
        summary["rating_prior"] = standings.rating_prior;
    const Sample sample = standings.players.size() == 2 ? match_sample(standings) : Sample{};
    if (standings.players.size() == 2) {
        const Score s = standings.against(0, 1);
        json match{{"wins", s.wins},
                   {"losses", s.losses},
                   {"draws", s.draws},
                   {"pentanomial", standings.pairs.counts},
                   {"unpaired", standings.pairs.unpaired},
                   {"model", model_name(sample.model)}};
        add_estimate(match, "elo", estimate_elo(sample));
        match["los"] = s.games() == 0 ? json(nullptr) : number(likelihood_of_superiority(s));
        summary["match"] = std::move(match);
    }
    summary["reasons"] = standings.reasons;
    json faults = json::object();
    for (std::size_t i = 0; i < standings.faults.size(); ++i) {
        if (!standings.faults[i].empty())
            faults[standings.players[i]] = standings.faults[i];
    }
    summary["faults"] = std::move(faults);
    if (sprt && standings.players.size() == 2) {
        const SprtState state = referee::sprt(sample, *sprt);
        summary["sprt"] = {{"model", model_name(state.model)},
                           {"elo0", number(sprt->elo0)},
                           {"elo1", number(sprt->elo1)},
                           {"alpha", number(sprt->alpha)},
                           {"beta", number(sprt->beta)},
                           {"llr", number(state.llr)},
                           {"lower", number(state.lower)},
                           {"upper", number(state.upper)},
                           {"decision", state.decision == SprtDecision::AcceptH1   ? "H1"
                                        : state.decision == SprtDecision::AcceptH0 ? "H0"
                                                                                   : "none"}};
    }
    return dump_line({{"summary", std::move(summary)}});
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
            if (game.result == "*")
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
