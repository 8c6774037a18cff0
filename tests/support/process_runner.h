// Starts a program as a real process, feeds it a standard input and collects
// what it writes. Shared by every suite that tests a built binary.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number, as a shell reports it
};

// Runs argv[0] (searched on PATH when it has no slash) with the other words
// as its arguments. There is no shell in between, so nothing is quoted or
// expanded, and a wrapper such as valgrind is simply more words in front.
// `input` is the program's whole standard input, closed after the last byte.
// A program that cannot be started gets status 127 and the reason in `err`.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input);

}  // namespace test_support
