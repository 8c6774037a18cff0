// Several results files read as one run: the files of a run split over
// many jobs, or of one run stopped and resumed.
#pragma once

#include <string>
#include <vector>

#include "records/results.h"

namespace records {

// Reads every file; a game number seen twice keeps its first finished line
// (an unfinished "*" line, from a job that was stopped, gives way to a
// finished one without complaint), and numbers missing up to the scheduled
// total (or the highest seen) are reported. Games come out sorted by
// number, each with its moves, and games of one run share one description
// across the files. Of builds, the last read for each player stands, as in
// one file.
ReadResults merge_results(const std::vector<std::string>& paths);

}  // namespace records
