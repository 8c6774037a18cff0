// The descriptors a wait is for, each with what it stands for, built in
// one place: poll() reports by index, and keeping a parallel array of
// owners by hand at every call site is how the two drift apart.
#pragma once

#include <poll.h>

#include <cerrno>
#include <vector>

namespace referee {

template <typename Tag>
class PollSet {
  public:
    // Negative descriptors (closed pipes, no pidfd, no interrupt pipe) are
    // left out.
    void add(int fd, Tag tag) {
        if (fd < 0)
            return;
        fds_.push_back({fd, POLLIN, 0});
        tags_.push_back(tag);
    }

    // Waits up to `timeout_ms` (-1: no limit) and returns the tags of the
    // descriptors that are ready: readable, at end of file, or in error.
    std::vector<Tag> wait(int timeout_ms) {
        std::vector<Tag> ready;
        if (::poll(fds_.data(), fds_.size(), timeout_ms) <= 0)
            return ready;
        for (std::size_t i = 0; i < fds_.size(); ++i) {
            if (fds_[i].revents != 0)
                ready.push_back(tags_[i]);
        }
        return ready;
    }

  private:
    std::vector<pollfd> fds_;
    std::vector<Tag> tags_;
};

}  // namespace referee
