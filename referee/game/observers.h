// Observers a game can be watched through: the board shown after every move,
// and a fan-out that passes every event on to several observers at once.
#pragma once

#include <ostream>
#include <vector>

#include "referee/game/game.h"

namespace referee {

// Shows the board after every move.
class BoardView : public GameObserver {
  public:
    BoardView(std::ostream& out, bool color) : out_(out), color_(color) {}

    void started(const Board& board) override;
    void moved(const Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override;

  private:
    std::ostream& out_;
    bool color_;
};

// Passes every event on to each observer added, in the order added.
class Observers : public GameObserver {
  public:
    // A null observer is skipped, so optional ones need no test.
    void add(GameObserver* observer);

    void started(const Board& board) override;
    void moved(const Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override;
    void line(Side side, Direction direction, std::string_view text) override;
    void error_output(Side side, std::string_view text) override;
    bool wants_error_output() const override;

  private:
    std::vector<GameObserver*> list_;
};

}  // namespace referee
