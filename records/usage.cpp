#include "records/usage.h"

#include <cstdio>

namespace records {

std::string format_usage(const PlayerUsage& usage) {
    char text[160];
    std::snprintf(text, sizeof text, "cpu %.3f s, wall %.3f s, memory %.1f MB, processes %ld",
                  usage.cpu_seconds, usage.wall_seconds,
                  static_cast<double>(usage.peak_memory) / (1024.0 * 1024.0), usage.peak_processes);
    return text;
}

}  // namespace records
