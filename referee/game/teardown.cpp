#include "referee/game/teardown.h"

#include <signal.h>

#include <algorithm>

#include "referee/common/clock.h"
#include "referee/common/interrupt.h"
#include "referee/game/game.h"
#include "referee/game/seat.h"
#include "referee/game/waiting.h"

namespace referee {
namespace {

// After SIGKILL only a process stuck in the kernel can linger; past this
// the referee gives up waiting rather than hang.
constexpr std::chrono::seconds kKillWait{5};
constexpr int kResendMs = 10;

// Until every seat is gone or the deadline passes; `resend` (when not 0)
// goes again to whatever is left on every round. The seats keep being read
// meanwhile, so a chatty player is never stuck on a full pipe.
bool wait_until_gone(const std::array<Seat*, 2>& seats, Clock::time_point deadline, int resend) {
    while (true) {
        bool all_gone = true;
        for (Seat* seat : seats) {
            if (resend != 0)
                seat->signal(resend);
            all_gone = seat->gone() && all_gone;
        }
        if (all_gone)
            return true;
        const int timeout = millis_until(deadline);
        if (timeout == 0)
            return false;
        // A signal sent again goes out again soon.
        wait_for_seats(seats, resend != 0 ? std::min(timeout, kResendMs) : timeout);
    }
}

}  // namespace

void end_seats(const std::array<Seat*, 2>& seats, const GameConfig& config) {
    for (Seat* seat : seats)
        seat->close_input();
    if (interrupt_signal() == 0 && wait_until_gone(seats, Clock::now() + config.exit_grace, 0))
        return;
    for (Seat* seat : seats)
        seat->signal(SIGTERM);
    if (wait_until_gone(seats, Clock::now() + config.term_grace, 0))
        return;
    wait_until_gone(seats, Clock::now() + kKillWait, SIGKILL);
}

}  // namespace referee
