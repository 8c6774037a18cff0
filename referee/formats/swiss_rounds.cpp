#include "referee/formats/swiss_rounds.h"

#include <algorithm>
#include <map>
#include <set>

#include "referee/formats/swiss.h"

namespace referee {
namespace {

// What pairing needs of the finished games before round `round`.
std::vector<SwissStanding> history(const SwissPlan& plan, int round,
                                   const std::vector<std::string>& names,
                                   const std::vector<records::GameEntry>& results, MetPairs& met) {
    std::map<std::string, int> place;
    for (std::size_t i = 0; i < names.size(); ++i)
        place.emplace(names[i], static_cast<int>(i));
    std::vector<SwissStanding> players(names.size());
    const int before = (round - 1) * plan.round_games();
    for (const auto& entry : results) {
        const auto black = place.find(entry.black);
        if (entry.game < 1 || entry.game > before || entry.result == "*" || black == place.end())
            continue;
        SwissStanding& b = players[static_cast<std::size_t>(black->second)];
        if (is_bye(entry)) {
            b.half_points += 2;
            b.had_bye = true;
            continue;
        }
        const auto white = place.find(entry.white);
        if (white == place.end())
            continue;
        SwissStanding& w = players[static_cast<std::size_t>(white->second)];
        const int black_half = entry.result == "1-0" ? 2 : entry.result == "0-1" ? 0 : 1;
        b.half_points += black_half;
        w.half_points += 2 - black_half;
        --b.whites_minus_blacks;
        ++w.whites_minus_blacks;
        met.insert(std::minmax(black->second, white->second));
    }
    return players;
}

}  // namespace

std::vector<ScheduledGame> swiss_round(const SwissPlan& plan, int round,
                                       const std::vector<std::string>& names,
                                       const std::vector<records::GameEntry>& results) {
    MetPairs met;
    const auto players = history(plan, round, names, results, met);
    const SwissRound paired = pair_swiss_round(players, met);
    std::vector<SwissPairing> boards = paired.pairings;
    if (paired.bye)
        boards.push_back({*paired.bye, kByeSide});
    const int base = (round - 1) * plan.round_games();
    std::vector<ScheduledGame> games;
    for (int k = 0; k < plan.games; ++k) {
        for (std::size_t b = 0; b < boards.size(); ++b) {
            const int number = base + k * plan.boards() + static_cast<int>(b) + 1;
            const auto& [black, white] = boards[b];
            const bool swap = k % 2 == 1 && white != kByeSide;
            games.push_back(swap ? ScheduledGame{number, white, black}
                                 : ScheduledGame{number, black, white});
        }
    }
    return games;
}

std::vector<ScheduledGame> swiss_next_games(const SwissPlan& plan,
                                            const std::vector<std::string>& names,
                                            const std::vector<records::GameEntry>& results) {
    std::set<int> done;
    for (const auto& entry : results) {
        if (entry.result != "*")
            done.insert(entry.game);
    }
    for (int round = 1; round <= plan.rounds; ++round) {
        auto games = swiss_round(plan, round, names, results);
        std::erase_if(games, [&](const ScheduledGame& g) { return done.contains(g.number); });
        if (!games.empty())
            return games;
    }
    return {};
}

records::GameEntry bye_entry(const ScheduledGame& game, int scheduled,
                             const std::vector<std::string>& names) {
    records::GameEntry entry;
    entry.game = game.number;
    entry.black = names[static_cast<std::size_t>(game.black)];
    entry.white = kByeOpponent;
    entry.result = "1-0";
    entry.reason = kByeReason;
    entry.termination = "bye: a win for the player left out of an odd round";
    entry.scheduled = scheduled;
    return entry;
}

std::string swiss_misfit(const SwissPlan& plan, const std::vector<std::string>& names,
                         const std::vector<records::GameEntry>& done) {
    std::map<int, const records::GameEntry*> by_number;
    for (const auto& entry : done)
        by_number.emplace(entry.game, &entry);
    for (int round = 1; round <= plan.rounds; ++round) {
        const int first = (round - 1) * plan.round_games() + 1;
        const auto from = by_number.lower_bound(first);
        if (from == by_number.end())
            return "";
        const auto games = swiss_round(plan, round, names, done);
        int found = 0;
        for (const auto& game : games) {
            const auto entry = by_number.find(game.number);
            if (entry == by_number.end())
                continue;
            ++found;
            const std::string white =
                game.white == kByeSide ? kByeOpponent : names[static_cast<std::size_t>(game.white)];
            if (entry->second->black != names[static_cast<std::size_t>(game.black)] ||
                entry->second->white != white) {
                return entry->second->origin + " (game " + std::to_string(game.number) +
                       ") does not pair as round " + std::to_string(round) +
                       " pairs from the games before it";
            }
        }
        if (found < plan.round_games()) {
            const auto later = by_number.lower_bound(first + plan.round_games());
            if (later != by_number.end()) {
                return later->second->origin + " (game " + std::to_string(later->first) +
                       ") is of a round after round " + std::to_string(round) +
                       ", which is not finished";
            }
            return "";
        }
    }
    return "";
}

}  // namespace referee
