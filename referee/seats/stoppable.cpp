#include "referee/seats/stoppable.h"

namespace referee {

void StoppableSeat::end(const Outcome& outcome) {
    const std::lock_guard lock(mutex_);
    if (end_)
        return;
    end_ = outcome;
    wakeup_.signal();
}

std::optional<Outcome> StoppableSeat::ended() const {
    const std::lock_guard lock(mutex_);
    return end_;
}

std::optional<LineOrEnd> StoppableSeat::take_line(Clock::time_point now) {
    if (auto end = ended())
        return *end;
    return inner_.take_line(now);
}

std::optional<Outcome> StoppableSeat::out_of_turn() {
    if (auto end = ended())
        return end;
    return inner_.out_of_turn();
}

void StoppableSeat::watch(std::vector<int>& fds) const {
    inner_.watch(fds);
    fds.push_back(wakeup_.fd());
}

void StoppableSeat::pump(const std::vector<int>& ready) {
    wakeup_.drain(ready);
    inner_.pump(ready);
}

}  // namespace referee
