#include "referee/common/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "referee/common/interrupt.h"

namespace referee {
namespace {

namespace fs = std::filesystem;

// Where a path leads once every symbolic link is followed, also one that
// points nowhere: its target, resolved in turn. Loops stop after as many
// links as the kernel follows.
fs::path resolved(const std::string& given) {
    constexpr int kMaxLinks = 40;
    std::error_code error;
    fs::path path = fs::absolute(given, error).lexically_normal();
    for (int links = 0; links < kMaxLinks; ++links) {
        // The folder part first, so a link's relative target is read from
        // where the link really is.
        const fs::path parent = fs::weakly_canonical(path.parent_path(), error);
        if (!error)
            path = parent / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            break;
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    }
    return path;
}

bool interrupted_wait(int fd, short events) {
    for (;;) {
        if (interrupt_signal() != 0)
            return true;
        pollfd watched[2] = {{fd, events, 0}, {interrupt_fd(), POLLIN, 0}};
        // A FIFO without a reader cannot be waited for with poll(): it is
        // tried again now and then.
        const int ready = ::poll(watched, 2, fd < 0 ? 100 : -1);
        if (ready < 0 && errno != EINTR)
            return false;
        if (interrupt_signal() != 0)
            return true;
        if (fd < 0 || (ready > 0 && watched[0].revents != 0))
            return false;
    }
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    struct stat first {};
    struct stat second {};
    const bool a_exists = ::stat(a.c_str(), &first) == 0;
    const bool b_exists = ::stat(b.c_str(), &second) == 0;
    if (a_exists && b_exists)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return resolved(a) == resolved(b);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<std::string> OutputFile::open(const std::string& path) {
    path_ = path;
    const int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC;
    for (;;) {
        fd_ = ::open(path.c_str(), flags, 0644);
        if (fd_ >= 0)
            break;
        // ENXIO: a FIFO nobody reads yet.
        if (errno != ENXIO && errno != EINTR)
            return "cannot open " + path + ": " + std::strerror(errno);
        if (interrupted_wait(-1, 0))
            return "stopped while waiting for a reader of " + path;
    }
    struct stat info {};
    regular_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    pending_replace_ = true;
    return std::nullopt;
}

std::optional<std::string> OutputFile::write(std::string_view text) {
    if (fd_ < 0)
        return "writing " + path_ + " failed: the file is not open";
    if (pending_replace_) {
        pending_replace_ = false;
        if (regular_ && ::ftruncate(fd_, 0) != 0)
            return "cannot empty " + path_ + ": " + std::strerror(errno);
    }
    while (!text.empty()) {
        const ssize_t written = ::write(fd_, text.data(), text.size());
        if (written > 0) {
            text.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            if (interrupted_wait(fd_, POLLOUT))
                return "stopped while writing " + path_;
            continue;
        }
        return "writing " + path_ +
               " failed: " + (written < 0 ? std::strerror(errno) : "nothing written");
    }
    return std::nullopt;
}

}  // namespace referee
