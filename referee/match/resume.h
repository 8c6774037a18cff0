// Starting a run again with the --results file of one that was stopped:
// the games already in the file count, only the missing ones are played.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/formats/pairings.h"
#include "referee/formats/swiss_rounds.h"

namespace referee {

struct ResumeCheck {
    // The finished games the file holds, one per game number (the first
    // finished line of each), in game order. Unfinished "*" lines and lines
    // that do not read count as missing.
    std::vector<records::GameEntry> done;
    // Not empty: the file holds games of another run, and says how.
    std::string refusal;
    // The file's last run line is this run's: game lines appended now
    // belong to it without another.
    bool has_run_line = false;
};

// Reads `path` (a file that does not exist holds nothing) and checks its
// run lines against `run`, and every game in it against this run: its
// number among `games`, its pairing and colours, and the run it belongs to.
ResumeCheck check_resume(const std::string& path, const records::RunInfo& run,
                         const std::vector<ScheduledGame>& games);

// The same for a run of `total` games whose pairings `misfit` checks: it
// says why a game of the file is not this run's ("is a vs b; ..."), or "".
ResumeCheck check_resume(const std::string& path, const records::RunInfo& run, int total,
                         const std::function<std::string(const records::GameEntry&)>& misfit);

// "Resuming: 7 of 12 games are in r.jsonl; playing the 5 missing"
std::string resume_line(int done, int selected, const std::string& path);

// check_resume for a Swiss run: the games of `path` against `run` and
// against the rounds paired again from them.
ResumeCheck check_swiss_resume(const std::string& path, const records::RunInfo& run,
                               const SwissPlan& plan);

}  // namespace referee
