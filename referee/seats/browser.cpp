#include "referee/seats/browser.h"

#include "protocol/move_line.h"
#include "rules/judge.h"

namespace referee {

void BrowserSeat::expect(const Turn& turn) {
    const std::lock_guard lock(mutex_);
    turn_ = turn;
    to_move_ = true;
    line_.reset();
}

void BrowserSeat::begin_turn(const Turn& turn) {
    {
        const std::lock_guard lock(mutex_);
        const bool answered = to_move_ && line_ && turn_.ply == turn.ply;
        turn_ = turn;
        to_move_ = true;
        if (answered)
            return;
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
        return std::string("it is not ") + rules::side_name(side_) + "'s turn";
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

}  // namespace referee
