#include "referee/process/reach.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "referee/common/fd.h"
#include "referee/process/player_ids.h"
#include "referee/process/player_view.h"

namespace referee {
namespace {

namespace fs = std::filesystem;

// The errno with which `id` fails to reach `path` by its name (0: it
// does), tried in a child that becomes it.
int reach_error(uid_t id, const std::string& path) {
    Pipe report;
    try {
        report = Pipe::open();
    } catch (const std::exception&) {
        return 0;  // nothing can be tried: as before, the path as it is
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        int error = 0;
        if (!drop_to(id) || ::open(path.c_str(), O_PATH | O_CLOEXEC) < 0)
            error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(report.write.get(), &error, sizeof error);
        ::_exit(0);
    }
    report.write.reset();
    int error = 0;
    if (pid > 0) {
        while (::read(report.read.get(), &error, sizeof error) < 0 && errno == EINTR) {
        }
        // The orphan reaper may have reaped it first.
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    return error;
}

bool is_folder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool lies_in_any(const std::string& path, const std::vector<std::string>& folders) {
    return std::any_of(folders.begin(), folders.end(),
                       [&](const std::string& folder) { return lies_in(path, folder); });
}

// "/proc/self/fd/N" into `out`, without the allocator (after fork).
void fd_path(int fd, char (&out)[32]) {
    const char prefix[] = "/proc/self/fd/";
    std::size_t at = 0;
    for (; prefix[at] != '\0'; ++at)
        out[at] = prefix[at];
    char digits[12];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + fd % 10);
        fd /= 10;
    } while (fd > 0 && count < sizeof digits);
    while (count > 0)
        out[at++] = digits[--count];
    out[at] = '\0';
}

}  // namespace

Reach& Reach::instance() {
    static Reach reach;
    return reach;
}

void Reach::use(uid_t probe) {
    const std::lock_guard lock(mutex_);
    used_ = true;
    probe_ = probe;
}

std::string Reach::barrier(const std::string& path) {
    for (const auto& [known, barrier] : barriers_) {
        if (known == path)
            return barrier;
    }
    std::string barrier;
    if (reach_error(probe_, path) == EACCES) {
        // The first folder on the way that does not let others through.
        std::string prefix;
        for (const auto& part : fs::path(path).relative_path()) {
            const std::string parent = prefix.empty() ? "/" : prefix;
            prefix += "/" + part.string();
            if (reach_error(probe_, prefix) == EACCES) {
                barrier = parent;
                break;
            }
        }
    }
    barriers_.emplace_back(path, barrier);
    return barrier;
}

Reveal Reach::reveal(const std::vector<std::string>& paths) {
    const std::lock_guard lock(mutex_);
    Reveal reveal;
    if (!used_)
        return reveal;
    for (const auto& path : paths) {
        if (const std::string barrier = this->barrier(path); !barrier.empty() && barrier != "/")
            reveal.covers.push_back(barrier);
    }
    if (reveal.covers.empty())
        return reveal;
    // The outer folder of two covers both.
    std::sort(reveal.covers.begin(), reveal.covers.end());
    std::vector<std::string> covers;
    for (const auto& cover : reveal.covers) {
        if (!lies_in_any(cover, covers))
            covers.push_back(cover);
    }
    reveal.covers = covers;
    // Every shown path in a covered folder comes back, the outer of two
    // nested ones only: the inner one lies in it.
    std::vector<std::string> shown = paths;
    std::stable_sort(shown.begin(), shown.end(), [](const std::string& a, const std::string& b) {
        return a.size() < b.size();
    });
    std::vector<std::string> bound;
    for (const auto& path : shown) {
        const auto cover = std::find_if(covers.begin(), covers.end(),
                                        [&](const std::string& c) { return lies_in(path, c); });
        if (cover == covers.end() || lies_in_any(path, bound))
            continue;
        std::string folder = *cover;
        for (const auto& part :
             fs::path(path.substr(cover->size())).relative_path().parent_path()) {
            folder += "/" + part.string();
            if (std::find(reveal.skeleton.begin(), reveal.skeleton.end(), folder) ==
                reveal.skeleton.end())
                reveal.skeleton.push_back(folder);
        }
        reveal.binds.emplace_back(path, is_folder(path));
        bound.push_back(path);
    }
    reveal.fds.assign(reveal.binds.size(), -1);
    return reveal;
}

std::vector<std::string> Reach::revealed() {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& [path, barrier] : barriers_) {
        if (!barrier.empty())
            paths.push_back(path);
    }
    return paths;
}

int enter_reveal(Reveal& reveal) {
    if (reveal.empty())
        return 0;
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return errno;
    // Held before they are covered.
    for (std::size_t i = 0; i < reveal.binds.size(); ++i) {
        reveal.fds[i] = ::open(reveal.binds[i].first.c_str(), O_PATH | O_CLOEXEC);
        if (reveal.fds[i] < 0)
            return errno;
    }
    for (const auto& cover : reveal.covers) {
        if (::mount("none", cover.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0)
            return errno;
    }
    for (const auto& folder : reveal.skeleton) {
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
    }
    for (std::size_t i = 0; i < reveal.binds.size(); ++i) {
        const auto& [path, folder] = reveal.binds[i];
        if (folder ? ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST
                   : ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)) != 0)
            return errno;
        char source[32];
        fd_path(reveal.fds[i], source);
        if (::mount(source, path.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
            return errno;
        ::close(reveal.fds[i]);
    }
    return 0;
}

}  // namespace referee
