#include "referee/process/sandbox.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

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

// The merged links of /usr at the top (/bin -> usr/bin, ...), as the host
// has them.
std::vector<std::pair<std::string, std::string>> system_links() {
    std::vector<std::pair<std::string, std::string>> links;
    for (const char* name : {"/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"}) {
        char target[256];
        const ssize_t length = ::readlink(name, target, sizeof target - 1);
        if (length > 0)
            links.emplace_back(name, std::string(target, static_cast<std::size_t>(length)));
    }
    return links;
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

std::vector<ShownPath> shown_paths(const SandboxSettings& settings, const PlayerView& view) {
    std::vector<ShownPath> shown;
    for (const auto& folder : view.installations)
        shown.push_back({folder, false});
    for (const auto& path : {view.folder, view.lone_file}) {
        if (!path.empty())
            shown.push_back({path, false});
    }
    for (const auto& path : settings.see_paths)
        shown.push_back({absolute_normal(path), false});
    for (const auto& dir : settings.player_dirs)
        shown.push_back({absolute_normal(dir), true});
    return shown;
}

Reveal player_reveal(const SandboxSettings& settings, const PlayerView& view) {
    std::vector<std::string> paths;
    for (const auto& shown : shown_paths(settings, view))
        paths.push_back(shown.path);
    return Reach::instance().reveal(paths);
}

std::vector<std::string> sandbox_command(const SandboxSettings& settings, const PlayerView& view,
                                         int info_fd, int filter_fd) {
    const std::string size = std::to_string(settings.tmp_bytes);
    std::vector<std::string> words{settings.bwrap,
                                   // PID, IPC, UTS, network, cgroup and user namespaces of its own;
                                   // bwrap runs unprivileged and keeps no capability.
                                   "--unshare-all", "--unshare-user", "--die-with-parent",
                                   "--new-session", "--cap-drop", "ALL"};
    if (settings.disable_userns)
        words.emplace_back("--disable-userns");
    words.insert(words.end(), {"--ro-bind", "/usr", "/usr"});
    for (const auto& [link, target] : system_links())
        words.insert(words.end(), {"--symlink", target, link});
    for (const auto& path : etc_view())
        words.insert(words.end(), {"--ro-bind-try", path, path});
    // A /proc of its own namespace without pid 1, bwrap's, which runs
    // outside the system call filter; a minimal /dev; private memory file
    // systems for /tmp and /dev/shm.
    words.insert(words.end(), {"--proc", "/proc", "--tmpfs", "/proc/1", "--remount-ro", "/proc/1",
                               "--dev", "/dev", "--size", size, "--tmpfs", "/tmp", "--size", size,
                               "--tmpfs", "/dev/shm"});
    // Bound after /tmp, so that players kept in /tmp are not hidden by it.
    for (const auto& [path, writable] : shown_paths(settings, view))
        words.insert(words.end(), {writable ? "--bind" : "--ro-bind", path, path});
    // The skeleton bwrap made for these mounts is a file system of its own,
    // /work of /work/bots/alice for one: read-only as well.
    words.insert(words.end(),
                 {"--remount-ro", "/", "--chdir", view.folder.empty() ? "/tmp" : view.folder});
    if (filter_fd >= 0)
        words.insert(words.end(), {"--seccomp", std::to_string(filter_fd)});
    words.insert(words.end(), {"--info-fd", std::to_string(info_fd), "--", view.program});
    words.insert(words.end(), view.argv.begin() + (view.argv.empty() ? 0 : 1), view.argv.end());
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

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> out;
    out.reserve(words.size() + 1);
    for (auto& word : words)
        out.push_back(word.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace referee
