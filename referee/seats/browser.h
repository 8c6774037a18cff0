// A side played by a person at the board page. The game runs on its own
// thread as any other game; the web server's threads hand it the person's
// moves and wake its wait through an eventfd the seat watches. The page
// makes the seat and keeps it, to hand it moves (see CONTRIBUTING.md).
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "referee/common/wakeup.h"
#include "referee/game/seat.h"

namespace referee {

class BrowserSeat : public PersonSeat {
  public:
    // `on_turn` hears every turn of this side, on the game's thread.
    BrowserSeat(rules::Side side, std::function<void(const Turn&)> on_turn)
        : side_(side), on_turn_(std::move(on_turn)) {}

    // The turn `expect` announced keeps a move the person has already
    // offered for it, and is then not announced again.
    void begin_turn(const Turn& turn) override;
    std::optional<LineOrEnd> take_line(Clock::time_point now) override;
    void watch(std::vector<int>& fds) const override { fds.push_back(wakeup_.fd()); }
    void pump(const std::vector<int>& ready) override { wakeup_.drain(ready); }
    void leave() override;

    // On the game's thread, as soon as the move before it is played: this
    // side's turn comes next, from `turn`'s position. The person may move
    // from then on, so a click made as soon as the reply is drawn counts,
    // though the game starts the turn a little later (after --delay).
    void expect(const Turn& turn);
    // From any thread: the person's move line. nullopt when it was taken;
    // otherwise why not, in the rules library's words when it is no legal
    // move, and nothing changes.
    std::optional<std::string> offer(const std::string& line);
    // Whether this side is to move now.
    bool to_move() const;
    rules::Side side() const { return side_; }

  private:
    const rules::Side side_;
    std::function<void(const Turn&)> on_turn_;
    Wakeup wakeup_;
    mutable std::mutex mutex_;
    Turn turn_;
    bool to_move_ = false;
    bool left_ = false;
    std::optional<std::string> line_;  // taken, not yet handed to the game
};

}  // namespace referee
