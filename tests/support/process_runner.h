// Starts a program as a real process, feeds it a standard input and collects
// what it writes. Shared by every suite that tests a built binary.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace test_support {

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;         // exit status, or 128 + signal number, as a shell reports it
    bool timed_out = false;  // killed for outliving RunOptions::deadline
};

struct RunOptions {
    std::string input;  // the program's whole standard input
    // A hanging program is killed (SIGKILL) after this long and its test
    // fails in seconds, not at the test driver's timeout.
    std::chrono::milliseconds deadline{std::chrono::seconds(60)};
    // Called once the program runs, with its pid: to signal it mid-run.
    std::function<void(pid_t)> started;
    // Called with all of standard output so far each time more arrives: to
    // act on a line the moment it appears.
    std::function<void(const std::string&)> output;
};

// Runs argv[0] (searched on PATH when it has no slash) with the other words
// as its arguments. There is no shell in between, so nothing is quoted or
// expanded, and a wrapper such as valgrind is simply more words in front.
// `input` is the program's whole standard input, closed after the last byte.
// A program that cannot be started gets status 127 and the reason in `err`.
// A whole file as it is, bytes and all; empty when it cannot be read.
inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// `argv` with its address space bounded to `bytes` through prlimit. A
// program built with AddressSanitizer reserves terabytes of address space as
// it starts and cannot run under any such bound: in that build the words
// come back unbounded, and only what the program prints is checked.
inline std::vector<std::string> within_memory(long long bytes, std::vector<std::string> argv) {
#ifdef __SANITIZE_ADDRESS__
    (void)bytes;
    return argv;
#else
    argv.insert(argv.begin(), {"prlimit", "--as=" + std::to_string(bytes)});
    return argv;
#endif
}

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input);
ProcessResult run_process(const std::vector<std::string>& argv, const RunOptions& options);

}  // namespace test_support
