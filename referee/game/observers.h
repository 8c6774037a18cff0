// Observers a game can be watched through: the board shown after every move,
// and a fan-out that passes every event on to several observers at once.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "referee/game/game.h"

namespace referee {

// Shows the board after every move: one after the other, or, watched on a
// terminal, redrawn in place with the latest result lines below it.
class BoardView : public GameObserver {
  public:
    BoardView(std::ostream& out, bool color, bool in_place)
        : out_(out), color_(color), in_place_(in_place) {}

    void started(const rules::Board& board, const std::array<double, 2>& clock_left) override;
    void moved(const rules::Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override;
    // A line of the run's own output, kept to show under the next boards.
    void note(const std::string& line);

  private:
    void show(const std::string& status, const std::string& board);

    std::ostream& out_;
    bool color_;
    bool in_place_;
    std::vector<std::string> notes_;
};

// Passes every event on to each observer added, in the order added.
class Observers : public GameObserver {
  public:
    // A null observer is skipped, so optional ones need no test.
    void add(GameObserver* observer);

    void started(const rules::Board& board, const std::array<double, 2>& clock_left) override;
    void moved(const rules::Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override;
    void line(rules::Side side, Direction direction, std::string_view text) override;
    void error_output(rules::Side side, std::string_view text) override;
    void notice(rules::Side side, std::string_view text) override;
    bool wants_error_output() const override;

  private:
    std::vector<GameObserver*> list_;
};

// Hands each notice on to a function, for whoever shows the referee's
// notices outside the game.
class NoticeHook : public GameObserver {
  public:
    explicit NoticeHook(std::function<void(rules::Side, std::string_view)> hear)
        : hear_(std::move(hear)) {}
    void notice(rules::Side side, std::string_view text) override { hear_(side, text); }

  private:
    std::function<void(rules::Side, std::string_view)> hear_;
};

}  // namespace referee
