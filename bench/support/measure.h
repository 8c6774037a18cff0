// What the benchmark programs share: instruction counts from callgrind (the
// same total for the same binary and input whatever else the machine is
// doing, which a timing never is) and the Google Benchmark main.
#pragma once

#include <string>

namespace bench {

struct Counted {
    long long instructions = -1;  // -1 when valgrind could not be run
    std::string output;           // what the counted run wrote on its standard output
};

// Runs `self ARGS` (words, single-quoted for the shell) under callgrind,
// counting only inside functions matching `toggle` (callgrind's
// --toggle-collect pattern).
Counted count_instructions(const std::string& self, const std::string& toggle,
                           const std::string& args);

// Runs the Google Benchmark benchmarks registered in the program.
int run_benchmarks(int argc, char** argv);

}  // namespace bench
