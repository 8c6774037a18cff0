#include "rules/movegen_treeplayer.h"

namespace rules {

namespace {

struct Offset {
    int dx;
    int dy;
};

// treeplayer finds a cannon from its middle soldier, trying the lines in this
// order, and takes each line's two directions in a fixed order: the first
// direction is listed here, the second is its opposite.
constexpr Offset kCannonFirstDirections[4] = {
    {0, -1},   // column
    {-1, 0},   // row
    {-1, -1},  // diagonal along which x - y is constant
    {-1, +1},  // diagonal along which x + y is constant
};

class Generator {
  public:
    Generator(const Board& board, Side side, std::vector<protocol::MoveLine>& out)
        : board_(board), side_(side), out_(out) {}

    void run() {
        for (int y = 0; y < board_.rows(); ++y) {
            for (int x = 0; x < board_.columns(); ++x) {
                if (own_soldier(x, y))
                    soldier(x, y);
            }
        }
        for (int y = 0; y < board_.rows(); ++y) {
            for (int x = 0; x < board_.columns(); ++x) {
                if (own_soldier(x, y))
                    cannons(x, y);
            }
        }
    }

  private:
    // treeplayer keeps the squares its town halls start on as fixed lists, so
    // they stay town-hall squares for the whole game, standing or not.
    bool home_of(Side side, int x, int y) const {
        if (side == Side::White)
            return y == 0 && x % 2 == 0;
        return y == board_.rows() - 1 && x % 2 == 1;
    }
    bool own_soldier(int x, int y) const {
        return board_.inside(x, y) && board_.at(x, y) == soldier_of(side_);
    }
    bool enemy_soldier(int x, int y) const {
        return board_.inside(x, y) && board_.at(x, y) == soldier_of(opponent(side_));
    }
    // A step, retreat or shot may end on an enemy piece or an empty square,
    // but never on the side's own town-hall squares.
    bool target_allowed(int x, int y) const {
        return board_.inside(x, y) && !belongs_to(board_.at(x, y), side_) && !home_of(side_, x, y);
    }
    // The square just beyond a cannon's front end must be empty and no
    // town-hall square of either side; off the board it blocks nothing, but
    // then there is nothing to slide onto or shoot at either.
    bool blocks_cannon(int x, int y) const {
        return board_.inside(x, y) && (board_.at(x, y) != Cell::Empty ||
                                       home_of(Side::White, x, y) || home_of(Side::Black, x, y));
    }

    void add(int x1, int y1, char action, int x2, int y2) {
        out_.push_back({'S', x1, y1, action, x2, y2});
    }

    // Forward one row (towards row 0 for black), to the lower column first;
    // then, while an enemy soldier stands on one of the three squares of the
    // row ahead or of the row behind, two rows back: straight, then to the
    // lower and the higher column.
    void soldier(int x, int y) {
        const int ahead = side_ == Side::Black ? -1 : 1;
        bool threatened = false;
        for (int dx = -1; dx <= 1; ++dx)
            threatened =
                threatened || enemy_soldier(x + dx, y + ahead) || enemy_soldier(x + dx, y - ahead);
        for (int dx = -1; dx <= 1; ++dx) {
            if (target_allowed(x + dx, y + ahead))
                add(x, y, 'M', x + dx, y + ahead);
        }
        if (!threatened)
            return;
        for (int dx : {0, -2, 2}) {
            if (target_allowed(x + dx, y - 2 * ahead))
                add(x, y, 'M', x + dx, y - 2 * ahead);
        }
    }

    // Every cannon with its middle at (x, y): the shots of both directions
    // before the slides of both. A shot names the middle soldier and may fly
    // over whatever stands on the nearer target.
    void cannons(int x, int y) {
        for (const Offset& line : kCannonFirstDirections) {
            if (!own_soldier(x + line.dx, y + line.dy) || !own_soldier(x - line.dx, y - line.dy))
                continue;
            protocol::MoveLine slides[2];
            int slide_count = 0;
            for (const int sign : {1, -1}) {
                const int dx = sign * line.dx;
                const int dy = sign * line.dy;
                if (blocks_cannon(x + 2 * dx, y + 2 * dy))
                    continue;
                for (int reach = 3; reach <= 4; ++reach) {
                    if (target_allowed(x + reach * dx, y + reach * dy))
                        add(x, y, 'B', x + reach * dx, y + reach * dy);
                }
                if (board_.inside(x + 2 * dx, y + 2 * dy))
                    slides[slide_count++] = {'S', x - dx, y - dy, 'M', x + 2 * dx, y + 2 * dy};
            }
            for (int i = 0; i < slide_count; ++i)
                out_.push_back(slides[i]);
        }
    }

    const Board& board_;
    Side side_;
    std::vector<protocol::MoveLine>& out_;
};

}  // namespace

void treeplayer_moves(const Board& board, Side side, std::vector<protocol::MoveLine>& out) {
    Generator(board, side, out).run();
}

}  // namespace rules
