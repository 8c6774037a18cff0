#include "referee/game/observers.h"

#include <algorithm>

#include "referee/game/display.h"

namespace referee {

void BoardView::started(const Board& board) {
    out_ << render_board(board, std::nullopt, color_) << "black to move\n\n" << std::flush;
}

void BoardView::moved(const Board& board, const PlayedMove& move, int ply,
                      const std::array<double, 2>& clock_left) {
    out_ << render_status(ply, move.side, protocol::format_move(move.move), move.seconds,
                          clock_left)
         << '\n'
         << render_board(board, move.move, color_) << '\n'
         << std::flush;
}

void Observers::add(GameObserver* observer) {
    if (observer)
        list_.push_back(observer);
}

void Observers::started(const Board& board) {
    for (auto* o : list_)
        o->started(board);
}

void Observers::moved(const Board& board, const PlayedMove& move, int ply,
                      const std::array<double, 2>& clock_left) {
    for (auto* o : list_)
        o->moved(board, move, ply, clock_left);
}

void Observers::line(Side side, Direction direction, std::string_view text) {
    for (auto* o : list_)
        o->line(side, direction, text);
}

void Observers::error_output(Side side, std::string_view text) {
    for (auto* o : list_) {
        if (o->wants_error_output())
            o->error_output(side, text);
    }
}

bool Observers::wants_error_output() const {
    return std::any_of(list_.begin(), list_.end(),
                       [](const GameObserver* o) { return o->wants_error_output(); });
}

}  // namespace referee
