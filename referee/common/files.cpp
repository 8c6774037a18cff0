#include "referee/common/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "referee/common/interrupt.h"

namespace referee {
namespace {

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
