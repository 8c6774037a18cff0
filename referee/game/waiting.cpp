#include "referee/game/waiting.h"

#include <poll.h>

#include <algorithm>
#include <vector>

#include "referee/common/interrupt.h"
#include "referee/game/seat.h"

namespace referee {
namespace {

// How often a seat whose news cannot wake a poll (a process without a
// pidfd, a stray that is not our child) is looked at.
constexpr int kLookAgainMs = 10;

}  // namespace

void wait_for_seats(const std::array<Seat*, 2>& seats, int timeout_ms) {
    std::vector<int> fds;
    bool all_wake = true;
    for (const Seat* seat : seats) {
        seat->watch(fds);
        all_wake = all_wake && seat->wakes_waits();
    }
    if (interrupt_fd() >= 0)
        fds.push_back(interrupt_fd());
    std::vector<pollfd> polled;
    for (int fd : fds) {
        if (fd >= 0)
            polled.push_back({fd, POLLIN, 0});
    }
    const int timeout = all_wake ? timeout_ms : std::min(timeout_ms, kLookAgainMs);
    std::vector<int> ready;
    if (::poll(polled.data(), polled.size(), timeout) > 0) {
        for (const pollfd& p : polled) {
            if (p.revents != 0)
                ready.push_back(p.fd);
        }
    }
    for (Seat* seat : seats)
        seat->pump(ready);
}

void wait_for_interrupt(std::chrono::milliseconds pause) {
    pollfd stop{interrupt_fd(), POLLIN, 0};
    const auto ms = static_cast<int>(std::min<long long>(pause.count(), 1'000'000));
    ::poll(&stop, stop.fd >= 0 ? 1 : 0, ms);
}

}  // namespace referee
