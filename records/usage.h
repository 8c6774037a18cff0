// What a player used over one game, as the record, the results line, the
// log and the progress lines give it: what an organiser compares players
// by besides their results.
#pragma once

#include <cstddef>
#include <string>

namespace records {

struct PlayerUsage {
    double cpu_seconds = 0;       // everything it started; 0 where nothing counts it
    double wall_seconds = 0;      // the time its clock ran
    std::size_t peak_memory = 0;  // bytes at most at once; 0 where unknown
    long peak_processes = 0;      // processes and threads at most at once; 0 where unknown
};

// "cpu 0.412 s, wall 1.103 s, memory 12.3 MB, processes 5": the one text
// form, in the record's tags, the log and the progress lines.
std::string format_usage(const PlayerUsage& usage);

}  // namespace records
