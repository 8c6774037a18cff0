// What a player used over one game, for the record, the results and the
// progress lines: what an organiser compares players by besides results.
#pragma once

#include <cstddef>

namespace referee {

struct PlayerUsage {
    double cpu_seconds = 0;       // everything it started; 0 where nothing counts it
    double wall_seconds = 0;      // the time its clock ran
    std::size_t peak_memory = 0;  // bytes at most at once; 0 where unknown
    long peak_processes = 0;      // processes and threads at most at once; 0 where unknown
};

}  // namespace referee
