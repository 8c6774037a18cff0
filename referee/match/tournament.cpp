#include "referee/match/tournament.h"

#include <utility>

#include "referee/match/results.h"
#include "referee/match/standings.h"

namespace referee {

Tournament::Tournament(std::vector<std::string> names, TournamentKind kind, int games_per_pairing,
                       std::optional<SprtSettings> sprt)
    : names_(std::move(names)),
      games_(schedule_games(static_cast<int>(names_.size()), kind, games_per_pairing)),
      sprt_(names_.size() == 2 ? sprt : std::nullopt) {}

std::string Tournament::started_line(const ScheduledGame& game) const {
    return "Started game " + std::to_string(game.number) + " of " + std::to_string(total()) + " (" +
           names_[game.black] + " vs " + names_[game.white] + ")";
}

void Tournament::finished(GameEntry entry) {
    results_.push_back(std::move(entry));
}

bool Tournament::decided() const {
    if (!sprt_)
        return false;
    const Standings standings = compute_standings(names_, results_);
    return sprt(standings.cross[0][1], *sprt_).decision != SprtDecision::Continue;
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

int run_merge(const std::vector<std::string>& paths, const std::optional<SprtSettings>& sprt,
              std::ostream& out, std::ostream& errors) {
    const ReadResults merged = merge_results(paths);
    for (const auto& problem : merged.problems)
        errors << "referee: " << problem << '\n';
    const Standings standings = compute_standings(players_in_order(merged.games), merged.games);
    out << summary_text(standings, standings.players.size() == 2 ? sprt : std::nullopt)
        << std::flush;
    if (merged.unreadable > 0)
        return 2;
    return merged.problems.empty() ? 0 : 1;
}

}  // namespace referee
