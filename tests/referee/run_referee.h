// Runs the referee binary as a real process and captures what it prints.
// Shared by the fault tests and the end-to-end tests.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace referee_test {

struct RefereeRun {
    int status = -1;  // exit status, or -1 when the referee did not exit normally
    std::string out;
    std::string err;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh directory per test, removed by the caller's fixture if it likes.
inline std::string scratch_dir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("referee_test_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline RefereeRun run_referee(const std::string& binary, const std::vector<std::string>& args,
                              const std::string& dir) {
    const std::string out_path = dir + "/stdout.txt";
    const std::string err_path = dir + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words{binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    RefereeRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status))
            run.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    return run;
}

inline pid_t read_pid(const std::string& path) {
    pid_t pid = 0;
    std::ifstream(path) >> pid;
    return pid;
}

// True once no process with this pid exists, not even as a zombie waiting
// to be reaped: kill(pid, 0) still finds a zombie.
inline bool process_gone(pid_t pid) {
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
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
