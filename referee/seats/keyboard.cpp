#include "referee/seats/keyboard.h"

#include <utility>

#include "referee/process/child_process.h"

namespace referee {
namespace {

// A move line is a dozen bytes; a longer line is refused whole, and what
// runs past this is dropped rather than refused piece by piece.
constexpr std::size_t kMaxTyped = 256;

}  // namespace

void Keyboard::read_once() {
    if (ended_)
        return;
    if (read_available(fd_, buffer_, kMaxTyped) == 0)
        ended_ = true;
}

std::optional<std::string> Keyboard::take_line() {
    while (true) {
        const auto newline = buffer_.find('\n');
        if (discarding_) {
            // The rest of a line too long to be a move, refused already.
            buffer_.erase(0, newline == std::string::npos ? buffer_.size() : newline + 1);
            discarding_ = newline == std::string::npos;
            if (discarding_)
                return std::nullopt;
            continue;
        }
        if (newline != std::string::npos && newline <= kMaxTyped) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        if (buffer_.size() > kMaxTyped) {
            std::string piece = buffer_.substr(0, kMaxTyped);
            buffer_.erase(0, kMaxTyped);
            discarding_ = true;
            return piece;
        }
        if (ended_ && !buffer_.empty())
            return std::exchange(buffer_, std::string());
        return std::nullopt;
    }
}

}  // namespace referee
