// What a whole run, or a merge of its results files, leaves for whatever
// publishes it (a site, a crosstable file): the match code knows when a run
// is complete, the publishing code lives above it.
#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "records/results.h"
#include "records/results_file.h"
#include "referee/stats/standings.h"

namespace referee {

struct FinishedRun {
    const std::vector<records::GameEntry>& games;  // in game order, each with its moves
    const std::vector<records::Build>& builds;
    const Standings& standings;
};

// Writes what is published, saying on `out` where it went; false, said on
// `errors`, when something could not be written.
using Publish =
    std::function<bool(const FinishedRun& run, std::ostream& out, std::ostream& errors)>;

}  // namespace referee
