// A program run once to its end within a time, with nobody to talk to: a
// submission's build. What it writes is kept up to a bound (standard
// output and error together, in the order written, when the launch puts
// both on one pipe); the rest is read and dropped, so that a chatty
// program never stalls on a full pipe.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "referee/process/child_process.h"

namespace referee {

struct BoundedRun {
    // "" when it exited with status 0; else "exited with status 2", "took
    // more than 600 s", "killed: memory", "killed by signal 6 (Aborted)",
    // or why it could not start.
    std::string why;
    double seconds = 0;        // wall time, from start to end
    std::string output;        // standard output and error together, cut at the bound
    bool interrupted = false;  // a signal to the referee stopped it

    bool ok() const { return why.empty() && !interrupted; }
};

// Runs `launch` with its input closed until it ends, `limit` passes (it is
// then killed with everything it started) or the referee is signalled.
BoundedRun run_bounded(const Launch& launch, std::chrono::milliseconds limit,
                       std::size_t output_bytes);

}  // namespace referee
