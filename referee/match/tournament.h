// The bookkeeping of a match or tournament around the games themselves:
// which games to play, the lines announcing them, the results as they come
// in (in any order, from games played side by side), the SPRT's verdict and
// the closing summary. Playing a game is the caller's business.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/formats/pairings.h"
#include "referee/match/publish.h"
#include "referee/stats/standings.h"
#include "referee/stats/stats.h"

namespace referee {

class Tournament {
  public:
    // `names` as the players are to be shown (see distinct_names); the SPRT
    // only ever applies to two players.
    // `rounds`: a Swiss tournament's, whose games() stay empty (each round
    // is paired as the one before it ends: see swiss_rounds.h).
    Tournament(std::vector<std::string> names, TournamentKind kind, int games_per_pairing,
               std::optional<SprtSettings> sprt = std::nullopt, int rounds = 0);

    const std::vector<std::string>& names() const { return names_; }
    // Every game, in game order (number k is games()[k - 1]).
    const std::vector<ScheduledGame>& games() const { return games_; }
    int total() const { return total_; }
    // The games finished so far, in the order they were counted.
    const std::vector<records::GameEntry>& results() const { return results_; }

    // "Started game 3 of 12 (treeplayer vs gridplayer)": black first.
    std::string started_line(const ScheduledGame& game) const;

    // A finished game, in whatever order games finish.
    void finished(records::GameEntry entry);
    // True once the SPRT has accepted either hypothesis: start no new game.
    bool decided() const;

    // The standings from the games so far.
    Standings standings() const;
    // The summary text and its results-file line, from the games so far.
    std::string summary() const;
    std::string summary_json() const;

  private:
    std::vector<std::string> names_;
    std::vector<ScheduledGame> games_;
    int total_;
    std::optional<SprtSettings> sprt_;
    std::vector<records::GameEntry> results_;
};

// `referee --merge FILES... [--results OUT]`: prints to `out` what the run
// that wrote the files printed at its end, and every skipped line, duplicate
// and missing game to `errors`; with `results_out` it also writes the merged
// games, in game order, and their summary line to that file. Returns 0 when
// all was read cleanly, 1 when the summary stands on incomplete results
// (lines skipped or games missing) or OUT (or what `publish` writes) could
// not be written, 2 when a file could not be read at all (OUT is then left
// alone, and nothing is published).
int run_merge(const std::vector<std::string>& paths, const std::optional<SprtSettings>& sprt,
              std::ostream& out, std::ostream& errors, const std::string& results_out = "",
              const Publish& publish = {});

}  // namespace referee
