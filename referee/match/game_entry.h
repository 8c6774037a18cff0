// A game as a results line holds it, and the run it belongs to: records'
// (records/results.h), named here as the referee's match code uses them.
#pragma once

#include "records/results.h"
#include "records/results_file.h"

namespace referee {

using records::GameEntry;
using records::ReadResults;
using records::ResultsFile;
using records::RunInfo;

}  // namespace referee
