// The referee's standard input as a person types it.
#pragma once

#include <optional>
#include <string>

namespace referee {

// The referee's standard input, cut into lines. One keyboard serves every
// human seat: with two people at one terminal each takes the next line when
// it is their turn, and in a match what was typed ahead carries into the
// next game instead of being lost with a seat.
class Keyboard {
  public:
    explicit Keyboard(int fd) : fd_(fd) {}

    int fd() const { return fd_; }
    // One read(); call it only when poll() found the descriptor readable,
    // so it never blocks and never needs the descriptor made non-blocking
    // (which would change the user's terminal for other programs too).
    void read_once();
    // The next whole line without its newline; a last line without one once
    // input has ended; a cut piece of an over-long line.
    std::optional<std::string> take_line();
    // Input has ended and every line has been taken.
    bool exhausted() const { return ended_ && buffer_.empty(); }

  private:
    int fd_;
    std::string buffer_;
    bool ended_ = false;
    bool discarding_ = false;  // within a line already cut off as too long
};

}  // namespace referee
