#include "referee/web/browser_seat.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "protocol/move_line.h"
#include "rules/judge.h"

namespace referee::web {

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

void BrowserSeat::begin_turn(const Turn& turn) {
    {
        const std::lock_guard lock(mutex_);
        turn_ = turn;
        to_move_ = true;
        line_.reset();
    }
    if (on_turn_)
        on_turn_(turn);
}

std::optional<LineOrEnd> BrowserSeat::take_line(Clock::time_point /*now*/) {
    const std::lock_guard lock(mutex_);
    if (!line_)
        return std::nullopt;
    std::string line = std::move(*line_);
    line_.reset();
    to_move_ = false;
    return line;
}

void BrowserSeat::leave() {
    const std::lock_guard lock(mutex_);
    left_ = true;
    to_move_ = false;
}

bool BrowserSeat::to_move() const {
    const std::lock_guard lock(mutex_);
    return to_move_ && !left_ && !line_;
}

std::optional<std::string> BrowserSeat::offer(const std::string& line) {
    const std::lock_guard lock(mutex_);
    if (left_)
        return "the game is over";
    if (!to_move_ || line_)
        return std::string("it is not ") + side_name(side_) + "'s turn";
    std::string why;
    const auto move = protocol::parse_move(line, &why);
    if (!move)
        return why;
    if (auto refusal = rules::refusal(turn_.board, side_, *move, turn_.rules))
        return refusal;
    line_ = protocol::format_move(*move);
    wakeup_.signal();
    return std::nullopt;
}

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

}  // namespace referee::web
