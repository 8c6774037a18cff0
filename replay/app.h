// What replay does once its options are read.
#pragma once

#include <ostream>

#include "replay/options.h"

namespace replay {

// Reads and checks the whole record before anything is written, so a record
// that does not replay leaves no half-made file behind. Returns the exit
// status.
int run(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace replay
