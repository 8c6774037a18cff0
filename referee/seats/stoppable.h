// Any seat, with a way to end its game from another thread: the board page
// stops and resigns games this way, whichever side is to move.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "referee/common/wakeup.h"
#include "referee/game/seat.h"

namespace referee {

// Once end() is called, the game hears that end from this seat (as its
// move, or as something it wrote out of turn). Everything else is the inner
// seat's.
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
    std::optional<bool> waiting_for_input() override { return inner_.waiting_for_input(); }
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

}  // namespace referee
