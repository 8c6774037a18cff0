// Games played side by side but reported one after another: results come
// out in game order whatever order the games finish in, so a run with many
// games at once prints, records and sums up exactly what a run with one
// game at a time does.
#pragma once

#include <functional>

namespace referee {

struct OrderedJobs {
    int count = 0;
    // Asked before each job starts; false starts no more (a stopped referee).
    std::function<bool()> may_start;
    // Runs job i, on any thread; it keeps its own results.
    std::function<void(int)> play;
    // On the calling thread, in order: once job i has started...
    std::function<void(int)> announce;
    // ...and once it and every job before it have finished. False stops
    // the run: no job starts after that, and those still running are
    // finished but not delivered.
    std::function<bool(int)> deliver;
};

// Runs the jobs on up to `workers` threads, or on the calling thread alone
// when `workers` is 1. Returns the number of jobs delivered.
int run_in_order(const OrderedJobs& jobs, int workers);

}  // namespace referee
