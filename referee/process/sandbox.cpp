#include "referee/process/sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "referee/common/fd.h"
#include "referee/process/player_group.h"

namespace referee {
namespace {

bool executable_file(const std::string& path, int& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = errno;
        return false;
    }
    if (S_ISDIR(info.st_mode) || ::access(path.c_str(), X_OK) != 0) {
        error = EACCES;
        return false;
    }
    return true;
}

// The status of a child started by the probe; the orphan reaper may have
// taken it first and left it in the registry.
int wait_for(pid_t pid) {
    int status = 0;
    pid_t done = 0;
    do {
        done = ::waitpid(pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    if (done != pid)
        status = PlayerRegistry::instance().take_status(pid).value_or(status);
    PlayerRegistry::instance().remove(pid);
    return status;
}

bool in_tmp(const std::string& path) {
    return path == "/tmp" || path.rfind("/tmp/", 0) == 0;
}

// What the command names in /tmp (the program itself, a script, a folder)
// would be hidden by the private /tmp: the folder of each such file is
// bound over it read-only, or the file alone where that folder is /tmp.
std::vector<std::string> named_in_tmp(const std::string& program,
                                      const std::vector<std::string>& argv) {
    std::vector<std::string> paths;
    const auto keep = [&](const std::string& word) {
        struct stat info {};
        if (!in_tmp(word) || ::stat(word.c_str(), &info) != 0)
            return;
        std::string path = word;
        if (!S_ISDIR(info.st_mode)) {
            const std::string folder = word.substr(0, word.rfind('/'));
            if (folder != "/tmp")
                path = folder;
        }
        if (path != "/tmp" && std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    };
    keep(program);
    for (std::size_t i = 1; i < argv.size(); ++i)
        keep(argv[i]);
    return paths;
}

std::string first_line(std::string text) {
    const auto newline = text.find('\n');
    if (newline != std::string::npos)
        text.resize(newline);
    return text;
}

}  // namespace

std::string find_program(const std::string& name, int& error) {
    error = ENOENT;
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return executable_file(name, error) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    int found_error = ENOENT;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        auto end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end == start ? "." : dirs.substr(start, end - start);
        int here = 0;
        std::string candidate = dir + "/" + name;
        if (executable_file(candidate, here)) {
            error = 0;
            return candidate;
        }
        // As execvp: a file that is there but cannot be run says so.
        if (here == EACCES)
            found_error = EACCES;
        start = end + 1;
    }
    error = found_error;
    return {};
}

std::vector<std::string> sandbox_command(const SandboxSettings& settings,
                                         const std::string& program,
                                         const std::vector<std::string>& argv,
                                         const std::string& directory, int info_fd) {
    const std::string size = std::to_string(settings.tmp_bytes);
    std::vector<std::string> words{
        settings.bwrap,
        // PID, IPC, UTS, network, cgroup and (where that is how bwrap gets
        // its rights) user namespaces of its own.
        "--unshare-all", "--die-with-parent", "--new-session",
        // Everything read-only; a /proc of its own namespace; a minimal /dev.
        "--ro-bind", "/", "/", "--proc", "/proc", "--dev", "/dev", "--size", size, "--tmpfs",
        "/tmp", "--size", size, "--tmpfs", "/dev/shm", "--setenv", "TMPDIR", "/tmp"};
    // A working directory in /tmp stays visible (read-only) over the
    // private one.
    if (in_tmp(directory))
        words.insert(words.end(), {"--ro-bind", directory, directory});
    for (const auto& path : named_in_tmp(program, argv))
        words.insert(words.end(), {"--ro-bind", path, path});
    for (const auto& dir : settings.player_dirs)
        words.insert(words.end(), {"--bind", dir, dir});
    if (!directory.empty())
        words.insert(words.end(), {"--chdir", directory});
    words.insert(words.end(), {"--info-fd", std::to_string(info_fd), "--", program});
    words.insert(words.end(), argv.begin() + (argv.empty() ? 0 : 1), argv.end());
    return words;
}

int unwrap_sandbox_status(int wait_status) {
    if (WIFEXITED(wait_status)) {
        const int code = WEXITSTATUS(wait_status);
        if (code > 128 && code < 128 + NSIG)
            return code - 128;
    }
    return wait_status;
}

SandboxProbe probe_sandbox() {
    SandboxProbe probe;
    int error = 0;
    probe.bwrap = find_program("bwrap", error);
    if (probe.bwrap.empty()) {
        probe.why = "bwrap (Debian package bubblewrap) was not found in PATH";
        return probe;
    }
    char* here = ::getcwd(nullptr, 0);
    const std::string directory = here ? here : "/";
    std::free(here);
    Pipe errors;
    Fd info(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    try {
        errors = Pipe::open();
    } catch (const std::exception& failure) {
        probe.why = failure.what();
        return probe;
    }
    // Inside: bwrap itself, which is there on every machine that has bwrap.
    SandboxSettings settings;
    settings.bwrap = probe.bwrap;
    std::vector<std::string> words =
        sandbox_command(settings, probe.bwrap, {probe.bwrap, "--version"}, directory, 3);
    std::vector<char*> args = pointers(words);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, errors.write.get(), STDERR_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, info.get(), 3);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none;
    ::sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    int spawned = 0;
    {
        auto& registry = PlayerRegistry::instance();
        const std::lock_guard lock(registry.mutex());
        spawned = ::posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
        if (spawned == 0)
            registry.add_locked(pid);
    }
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    errors.write.reset();
    if (spawned != 0) {
        probe.why = probe.bwrap + ": " + std::strerror(spawned);
        return probe;
    }
    std::string said;
    char chunk[512];
    ssize_t got = 0;
    while (said.size() < 4096 && ((got = ::read(errors.read.get(), chunk, sizeof chunk)) > 0 ||
                                  (got < 0 && errno == EINTR))) {
        if (got > 0)
            said.append(chunk, static_cast<std::size_t>(got));
    }
    const int status = wait_for(pid);
    probe.works = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!probe.works) {
        probe.why = first_line(said);
        if (probe.why.empty())
            probe.why = probe.bwrap + " failed (status " + std::to_string(status) + ")";
    }
    return probe;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> out;
    out.reserve(words.size() + 1);
    for (auto& word : words)
        out.push_back(word.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace referee
