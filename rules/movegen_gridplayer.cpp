#include "rules/movegen_gridplayer.h"

namespace rules {

namespace {

struct Square {
    int x;
    int y;
};

struct Offset {
    int dx;
    int dy;
};

// gridplayer finds each cannon once, from its tail: the soldier nearest
// row 0 on a column or diagonal, the leftmost one on a row. Black scans its
// lines in a different order from white, the row last.
constexpr Offset kWhiteCannonDirections[4] = {{-1, +1}, {0, +1}, {+1, 0}, {+1, +1}};
constexpr Offset kBlackCannonDirections[4] = {{-1, -1}, {0, -1}, {+1, -1}, {+1, 0}};

class Generator {
  public:
    Generator(const Board& board, Side side, std::vector<protocol::MoveLine>& out)
        : board_(board), side_(side), ahead_(side == Side::Black ? -1 : 1), out_(out) {}

    void run() {
        for (int y = 0; y < board_.rows(); ++y) {
            for (int x = 0; x < board_.columns(); ++x) {
                if (board_.at(x, y) == soldier_of(side_))
                    soldiers_.push_back({x, y});
            }
        }
        for (const Square& s : soldiers_)
            steps(s.x, s.y);
        for (const Square& s : soldiers_)
            retreats(s.x, s.y);
        const auto& directions =
            side_ == Side::Black ? kBlackCannonDirections : kWhiteCannonDirections;
        for (const Square& s : soldiers_) {
            for (const Offset& d : directions)
                cannon(s.x, s.y, d.dx, d.dy);
        }
    }

  private:
    // Empty or enemy: where a soldier may land and a cannon may fire.
    bool free(int x, int y) const {
        return board_.inside(x, y) && !belongs_to(board_.at(x, y), side_);
    }
    bool empty(int x, int y) const { return board_.inside(x, y) && board_.at(x, y) == Cell::Empty; }
    bool enemy(int x, int y) const {
        return board_.inside(x, y) && belongs_to(board_.at(x, y), opponent(side_));
    }
    bool enemy_soldier(int x, int y) const {
        return board_.inside(x, y) && board_.at(x, y) == soldier_of(opponent(side_));
    }
    bool own_soldier(int x, int y) const {
        return board_.inside(x, y) && board_.at(x, y) == soldier_of(side_);
    }

    void add(int x1, int y1, char action, int x2, int y2) {
        out_.push_back({'S', x1, y1, action, x2, y2});
    }

    // One row forward, straight or diagonally, onto a free square; sideways
    // only to capture: a soldier never steps aside onto an empty square.
    void steps(int x, int y) {
        const int a = y + ahead_;
        if (free(x - 1, a))
            add(x, y, 'M', x - 1, a);
        if (enemy(x - 1, y))
            add(x, y, 'M', x - 1, y);
        if (free(x, a))
            add(x, y, 'M', x, a);
        if (free(x + 1, a))
            add(x, y, 'M', x + 1, a);
        if (enemy(x + 1, y))
            add(x, y, 'M', x + 1, y);
    }

    // An enemy soldier beside or ahead opens a jump two rows back: straight,
    // to the higher column, to the lower. Town halls threaten nothing.
    void retreats(int x, int y) {
        const int a = y + ahead_;
        const int back = y - 2 * ahead_;
        const bool threatened = enemy_soldier(x - 1, y) || enemy_soldier(x + 1, y) ||
                                enemy_soldier(x - 1, a) || enemy_soldier(x, a) ||
                                enemy_soldier(x + 1, a);
        if (!threatened)
            return;
        for (int dx : {0, 2, -2}) {
            if (free(x + dx, back))
                add(x, y, 'M', x + dx, back);
        }
    }

    // The cannon whose tail is (x, y) and which runs along (dx, dy): at each
    // end in turn, front first, the far end soldier slides onto the empty
    // square beyond, and the near end soldier shoots two squares out, or three
    // when the square between is empty.
    void cannon(int x, int y, int dx, int dy) {
        if (!own_soldier(x + dx, y + dy) || !own_soldier(x + 2 * dx, y + 2 * dy))
            return;
        end(x, y, x + 2 * dx, y + 2 * dy, dx, dy);
        end(x + 2 * dx, y + 2 * dy, x, y, -dx, -dy);
    }

    // The moves beyond the end `near`, with `far` the other end and (dx, dy)
    // pointing out of the cannon past `near`.
    void end(int far_x, int far_y, int near_x, int near_y, int dx, int dy) {
        if (!empty(near_x + dx, near_y + dy))
            return;
        add(far_x, far_y, 'M', near_x + dx, near_y + dy);
        if (free(near_x + 2 * dx, near_y + 2 * dy))
            add(near_x, near_y, 'B', near_x + 2 * dx, near_y + 2 * dy);
        if (empty(near_x + 2 * dx, near_y + 2 * dy) && free(near_x + 3 * dx, near_y + 3 * dy))
            add(near_x, near_y, 'B', near_x + 3 * dx, near_y + 3 * dy);
    }

    const Board& board_;
    Side side_;
    int ahead_;
    std::vector<protocol::MoveLine>& out_;
    std::vector<Square> soldiers_;
};

}  // namespace

void gridplayer_moves(const Board& board, Side side, std::vector<protocol::MoveLine>& out) {
    Generator(board, side, out).run();
}

}  // namespace rules
