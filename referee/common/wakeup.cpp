#include "referee/common/wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace referee {

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
}

Wakeup::~Wakeup() {
    ::close(fd_);
}

void Wakeup::signal() const {
    const std::uint64_t one = 1;
    // Only fails when the counter is full, and then it is readable anyway.
    [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
}

void Wakeup::drain(const std::vector<int>& ready) const {
    if (std::find(ready.begin(), ready.end(), fd_) == ready.end())
        return;
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = ::read(fd_, &count, sizeof count);
}

}  // namespace referee
