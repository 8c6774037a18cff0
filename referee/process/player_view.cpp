#include "referee/process/player_view.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace referee {
namespace {

namespace fs = std::filesystem;

bool system_file(const std::string& path) {
    std::error_code error;
    const std::string real = fs::canonical(path, error).string();
    return !error && lies_in(real, "/usr");
}

bool regular_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string absolute_normal(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    std::string text = absolute.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool lies_in(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path.rfind(folder, 0) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

PlayerView player_view(const std::string& program, const std::vector<std::string>& argv) {
    PlayerView view;
    view.program = absolute_normal(program);
    view.argv = argv;
    for (std::size_t i = 1; i < view.argv.size(); ++i) {
        std::string& word = view.argv[i];
        struct stat info {};
        // Relative to the referee's folder, which the player does not see.
        if (word.find('/') != std::string::npos && word.front() != '/' &&
            ::stat(word.c_str(), &info) == 0)
            word = absolute_normal(word);
    }
    std::vector<std::string> named{view.program};
    named.insert(named.end(), view.argv.begin() + (view.argv.empty() ? 0 : 1), view.argv.end());
    for (const auto& word : named) {
        if (!regular_file(word) || system_file(word))
            continue;
        const std::string file = absolute_normal(word);
        const std::string folder = fs::path(file).parent_path().string();
        // Its folder would show the whole machine, or the host's /tmp.
        if (folder == "/" || folder == "/tmp")
            view.lone_file = file;
        else
            view.folder = folder;
        break;
    }
    // What the player runs and reads of what it sees.
    view.files.push_back(view.program);
    for (const auto& word : named) {
        const std::string file = absolute_normal(word);
        if (file != view.program && regular_file(file) &&
            ((!view.folder.empty() && lies_in(file, view.folder)) || file == view.lone_file))
            view.files.push_back(file);
    }
    return view;
}

std::vector<std::string> etc_view() {
    std::vector<std::string> paths{"/etc/ld.so.cache",   "/etc/ld.so.conf", "/etc/ld.so.conf.d",
                                   "/etc/locale.alias",  "/etc/localtime",  "/etc/timezone",
                                   "/etc/nsswitch.conf", "/etc/passwd",     "/etc/group",
                                   "/etc/hosts",         "/etc/host.conf",  "/etc/alternatives"};
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/etc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("java-", 0) == 0)
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> player_environment(const std::vector<std::string>& passed) {
    std::vector<std::string> entries{"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/tmp",
                                     "TMPDIR=/tmp", "LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    for (const auto& entry : passed) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        std::erase_if(entries, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace referee
