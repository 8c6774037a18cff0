// Runs the referee binary as a real process and captures what it prints,
// and checks that the players it started are gone. Shared by the fault
// tests and the end-to-end tests.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace referee_test {

using RefereeRun = test_support::ProcessResult;

using test_support::read_file;

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh directory per test, removed by the caller's fixture if it likes.
// Anyone may write in it: a referee run as root runs its players under ids
// of their own.
inline std::string scratch_dir(std::string name) {
    // One folder, not two: a parameterised test's name holds a '/'.
    std::replace(name.begin(), name.end(), '/', '_');
    const auto dir = std::filesystem::temp_directory_path() /
                     ("referee_test_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    return dir.string();
}

// A copy of `program` that every user may run, for a case that runs the
// referee or a player as another user: the checkout may lie in a folder
// closed to others (root's home, mktemp -d). One copy per program and test
// process, removed when the process ends.
inline std::string public_copy(const std::string& program) {
    static const std::string dir = [] {
        static std::string made = scratch_dir("programs");
        std::atexit([] { std::filesystem::remove_all(made); });
        return made;
    }();
    std::string copy = dir + "/" + std::filesystem::path(program).filename().string();
    if (!std::filesystem::exists(copy))
        std::filesystem::copy_file(program, copy);
    return copy;
}

// What the referee said on its standard error without the line that names
// the private folders it reveals to players run as root: a checkout closed
// to others brings that line, one readable by all does not.
inline std::string without_reveal_notice(const std::string& err) {
    const std::string notice = "referee: players run as their own users; ";
    std::string kept;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(notice, 0) != 0)
            kept += line + "\n";
    }
    return kept;
}

// The referee reads nothing from its own standard input: it gets none. A
// game of the fault tests takes well under a second; the deadline turns a
// hang into a failure instead of a wait for the test driver's timeout.
inline RefereeRun run_referee(const std::string& binary, const std::vector<std::string>& args,
                              test_support::RunOptions options = {}) {
    std::vector<std::string> argv{binary};
    argv.insert(argv.end(), args.begin(), args.end());
    if (options.deadline == test_support::RunOptions{}.deadline)
        options.deadline = std::chrono::seconds(30);
    return test_support::run_process(argv, options);
}

inline pid_t read_pid(const std::string& path) {
    pid_t pid = 0;
    std::ifstream(path) >> pid;
    return pid;
}

// Every pid in a file of one pid a line (the fake player's --family file).
inline std::vector<pid_t> read_pids(const std::string& path) {
    std::vector<pid_t> pids;
    std::ifstream in(path);
    pid_t pid = 0;
    while (in >> pid)
        pids.push_back(pid);
    return pids;
}

// True once no process with this pid exists, not even as a zombie waiting
// to be reaped: kill(pid, 0) still finds a zombie.
inline bool process_gone(pid_t pid) {
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Waits, a bounded while, for the kernel to finish tearing processes down;
// false when one of them is still there after it.
inline bool all_gone(const std::vector<pid_t>& pids) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (true) {
        bool gone = true;
        for (pid_t pid : pids)
            gone = gone && process_gone(pid);
        if (gone || std::chrono::steady_clock::now() > deadline)
            return gone;
        ::usleep(1000);
    }
}

// One argument for the referee: a program with its arguments, quoted the
// way the referee splits commands.
inline std::string command(const std::string& program, const std::vector<std::string>& args) {
    std::string text = "'" + program + "'";
    for (const auto& arg : args)
        text += " '" + arg + "'";
    return text;
}

}  // namespace referee_test

namespace referee_test {

// How many live processes carry `marker` on their command line: catches a
// player left running even when it never got to write its pid file.
inline int processes_mentioning(const std::string& marker) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        if (std::stoi(name) == ::getpid())
            continue;
        std::string cmdline = read_file(entry.path().string() + "/cmdline");
        if (cmdline.find(marker) != std::string::npos)
            ++count;
    }
    return count;
}

}  // namespace referee_test
