#include "referee/match/tournament.h"

#include <cstdio>
#include <fstream>
#include <utility>

#include "referee/formats/swiss_rounds.h"
#include "referee/match/results.h"
#include "referee/stats/standings.h"

namespace referee {

Tournament::Tournament(std::vector<std::string> names, TournamentKind kind, int games_per_pairing,
                       std::optional<SprtSettings> sprt, int rounds)
    : names_(std::move(names)),
      games_(schedule_games(static_cast<int>(names_.size()), kind, games_per_pairing)),
      total_(kind == TournamentKind::Swiss
                 ? SwissPlan{static_cast<int>(names_.size()), rounds, games_per_pairing}.total()
                 : static_cast<int>(games_.size())),
      sprt_(names_.size() == 2 ? sprt : std::nullopt) {}

std::string Tournament::started_line(const ScheduledGame& game) const {
    return "Started game " + std::to_string(game.number) + " of " + std::to_string(total()) + " (" +
           names_[game.black] + " vs " + names_[game.white] + ")";
}

void Tournament::finished(records::GameEntry entry) {
    results_.push_back(std::move(entry));
}

bool Tournament::decided() const {
    if (!sprt_)
        return false;
    const Standings standings = compute_standings(names_, results_);
    return sprt(match_sample(standings), *sprt_).decision != SprtDecision::Continue;
}

Standings Tournament::standings() const {
    return compute_standings(names_, results_);
}

std::string Tournament::summary() const {
    return summary_text(compute_standings(names_, results_), sprt_);
}

std::string Tournament::summary_json() const {
    return summary_line(compute_standings(names_, results_), sprt_);
}

namespace {

// The merged builds, games and summary, written whole or not at all: to a
// file beside `path`, renamed over it once complete, so `path` may also be
// one of the files merged.
std::optional<std::string> write_merged(const std::string& path, const records::ReadResults& merged,
                                        const std::string& summary) {
    const std::string partial = path + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        for (const auto& build : merged.builds)
            file << records::build_line(build);
        records::write_games(file, merged.games);
        file << summary;
        file.close();
        if (!file) {
            std::remove(partial.c_str());
            return "writing the results file " + path + " failed";
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return "cannot replace the results file " + path;
    }
    return std::nullopt;
}

}  // namespace

int run_merge(const std::vector<std::string>& paths, const std::optional<SprtSettings>& sprt,
              std::ostream& out, std::ostream& errors, const std::string& results_out,
              const Publish& publish) {
    const records::ReadResults merged = records::merge_results(paths);
    for (const auto& problem : merged.problems)
        errors << "referee: " << problem << '\n';
    const Standings standings = compute_standings(players_in_order(merged.games), merged.games);
    const auto applies = standings.players.size() == 2 ? sprt : std::nullopt;
    out << summary_text(standings, applies) << std::flush;
    if (merged.unreadable > 0) {
        if (!results_out.empty())
            errors << "referee: " << results_out << " not written: a file could not be read\n";
        return 2;
    }
    if (!results_out.empty()) {
        if (auto failed = write_merged(results_out, merged, summary_line(standings, applies))) {
            errors << "referee: " << *failed << '\n';
            return 1;
        }
    }
    if (publish && !publish({merged.games, merged.builds, standings}, out, errors))
        return 1;
    return merged.problems.empty() ? 0 : 1;
}

}  // namespace referee
