// A played-out schedule with seeded random results and every field of a
// results line filled, as a live run would record it.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/formats/pairings.h"

namespace referee_test {

inline std::vector<records::GameEntry> random_results(const std::vector<std::string>& names,
                                                      referee::TournamentKind kind, int per_pairing,
                                                      unsigned seed) {
    std::mt19937 random(seed);
    const char* results[] = {"1-0", "0-1", "1/2-1/2", "*"};
    const char* reasons[] = {"white lost its town halls", "the ply limit was reached"};
    const auto schedule =
        referee::schedule_games(static_cast<int>(names.size()), kind, per_pairing);
    std::vector<records::GameEntry> games;
    for (const auto& g : schedule) {
        records::GameEntry e;
        e.game = g.number;
        e.scheduled = static_cast<int>(schedule.size());
        e.black = names[g.black];
        e.white = names[g.white];
        e.result = results[random() % 4];
        e.reason = reasons[random() % 2];
        e.termination = e.reason + ": after ply " + std::to_string(random() % 300);
        e.plies = static_cast<int>(random() % 5);
        for (int i = 0; i < e.plies; ++i)
            e.moves.push_back("S 1 " + std::to_string(i) + " M 1 3");
        e.time_black = 0.125 * static_cast<double>(random() % 100);
        e.time_white = 1.5;
        e.start = "2026-12-07T10:25:52.123Z";
        e.end = "2026-12-07T10:26:01.000Z";
        games.push_back(e);
    }
    return games;
}

}  // namespace referee_test
