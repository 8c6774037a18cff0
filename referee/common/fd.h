// One owner for a file descriptor: whatever path a function leaves by, the
// descriptor is closed exactly once. A pipe end left open by mistake would
// keep the other side from ever seeing end of file.
#pragma once

#include <unistd.h>

#include <utility>

namespace referee {

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~Fd() { reset(); }

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_ = -1;
};

// Both ends of a pipe, opened close-on-exec so that a child keeps only the
// ends deliberately moved onto its standard streams. Throws
// std::system_error when the system has no descriptors left.
struct Pipe {
    Fd read;
    Fd write;
    static Pipe open();
};

}  // namespace referee
