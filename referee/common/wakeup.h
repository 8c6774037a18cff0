// An eventfd: a way for one thread to wake another's poll() over file
// descriptors, readable once signalled until drained.
#pragma once

#include <vector>

namespace referee {

class Wakeup {
  public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;
    Wakeup(Wakeup&&) = delete;
    Wakeup& operator=(Wakeup&&) = delete;

    int fd() const { return fd_; }
    void signal() const;
    // Drains it when `ready` lists it.
    void drain(const std::vector<int>& ready) const;

  private:
    int fd_;
};

}  // namespace referee
