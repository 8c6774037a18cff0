#include "referee/formats/pairings.h"

#include <map>
#include <set>
#include <utility>

namespace referee {

std::optional<TournamentKind> parse_tournament_kind(std::string_view name) {
    if (name == "round-robin")
        return TournamentKind::RoundRobin;
    if (name == "gauntlet")
        return TournamentKind::Gauntlet;
    if (name == "swiss")
        return TournamentKind::Swiss;
    return std::nullopt;
}

const char* tournament_kind_name(TournamentKind kind) {
    switch (kind) {
        case TournamentKind::RoundRobin:
            return "round-robin";
        case TournamentKind::Gauntlet:
            return "gauntlet";
        case TournamentKind::Swiss:
            break;
    }
    return "swiss";
}

std::vector<ScheduledGame> schedule_games(int players, TournamentKind kind, int games_per_pairing) {
    std::vector<std::pair<int, int>> pairings;
    for (int first = 0; kind != TournamentKind::Swiss && first < players; ++first) {
        for (int second = first + 1; second < players; ++second)
            pairings.emplace_back(first, second);
        if (kind == TournamentKind::Gauntlet)
            break;
    }
    std::vector<ScheduledGame> games;
    for (int round = 0; round < games_per_pairing; ++round) {
        const bool first_black = round % 2 == 0;
        for (const auto& [first, second] : pairings) {
            const int number = static_cast<int>(games.size()) + 1;
            games.push_back(first_black ? ScheduledGame{number, first, second}
                                        : ScheduledGame{number, second, first});
        }
    }
    return games;
}

std::vector<std::string> distinct_names(const std::vector<std::string>& names) {
    std::map<std::string, int> count;
    for (const auto& name : names)
        ++count[name];
    // A made-up name must not hit a name someone gave ("x", "x", "x #1").
    std::set<std::string> taken(names.begin(), names.end());
    std::map<std::string, int> next;
    std::vector<std::string> out;
    for (const auto& name : names) {
        if (count[name] == 1) {
            out.push_back(name);
            continue;
        }
        std::string candidate;
        do {
            candidate = name + " #" + std::to_string(++next[name]);
        } while (taken.count(candidate) != 0);
        taken.insert(candidate);
        out.push_back(candidate);
    }
    return out;
}

}  // namespace referee
