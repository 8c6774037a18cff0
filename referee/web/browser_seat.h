// A side played by a person in the browser, and the way the page ends a game
// under way. The game runs on its own thread as any other game; the web
// server's threads hand it the person's moves and ends through a queue and
// wake its wait through an eventfd the seat watches.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "referee/game/seat.h"

namespace referee::web {

// An eventfd: readable once signalled, until drained.
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

class BrowserSeat : public PersonSeat {
  public:
    // `on_turn` hears every turn of this side, on the game's thread.
    BrowserSeat(Side side, std::function<void(const Turn&)> on_turn)
        : side_(side), on_turn_(std::move(on_turn)) {}

    void begin_turn(const Turn& turn) override;
    std::optional<LineOrEnd> take_line(Clock::time_point now) override;
    void watch(std::vector<int>& fds) const override { fds.push_back(wakeup_.fd()); }
    void pump(const std::vector<int>& ready) override { wakeup_.drain(ready); }
    void leave() override;

    // From any thread: the person's move line. nullopt when it was taken;
    // otherwise why not, in the rules library's words when it is no legal
    // move, and nothing changes.
    std::optional<std::string> offer(const std::string& line);
    // Whether this side is to move now.
    bool to_move() const;
    Side side() const { return side_; }

  private:
    const Side side_;
    std::function<void(const Turn&)> on_turn_;
    Wakeup wakeup_;
    mutable std::mutex mutex_;
    Turn turn_;
    bool to_move_ = false;
    bool left_ = false;
    std::optional<std::string> line_;  // taken, not yet handed to the game
};

// Any seat, with a way to end its game from another thread: once end() is
// called, the game hears that end from this seat (as its move, or as
// something it wrote out of turn), whichever side is to move. Everything
// else is the inner seat's.
class StoppableSeat : public Seat {
  public:
    explicit StoppableSeat(Seat& inner) : inner_(inner) {}

    // From any thread; the first end given counts.
    void end(const Outcome& outcome);

    bool is_person() const override { return inner_.is_person(); }
    bool hears_lines() const override { return inner_.hears_lines(); }
    std::optional<Outcome> tell(const std::string& line) override { return inner_.tell(line); }
    void begin_turn(const Turn& turn) override { inner_.begin_turn(turn); }
    std::optional<LineOrEnd> take_line(Clock::time_point now) override;
    std::optional<Outcome> out_of_turn() override;
    std::optional<Outcome> departed() override { return inner_.departed(); }
    void catch_up() override { inner_.catch_up(); }
    void watch(std::vector<int>& fds) const override;
    bool wakes_waits() const override { return inner_.wakes_waits(); }
    void pump(const std::vector<int>& ready) override;
    void leave() override { inner_.leave(); }
    void close_input() override { inner_.close_input(); }
    void signal(int signal_number) override { inner_.signal(signal_number); }
    bool gone() override { return inner_.gone(); }

  private:
    std::optional<Outcome> ended() const;

    Seat& inner_;
    Wakeup wakeup_;
    mutable std::mutex mutex_;
    std::optional<Outcome> end_;
};

}  // namespace referee::web
