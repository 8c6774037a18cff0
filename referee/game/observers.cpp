#include "referee/game/observers.h"

#include <algorithm>

#include "gamepage/terminal.h"
#include "referee/game/display.h"

namespace referee {

namespace {

// How many of the run's latest lines a board redrawn in place keeps below it.
constexpr std::size_t kNotes = 6;

}  // namespace

void BoardView::started(const rules::Board& board, const std::array<double, 2>& clock_left) {
    show(gamepage::render_start(clock_left), gamepage::render_board(board, std::nullopt, color_));
}

void BoardView::moved(const rules::Board& board, const PlayedMove& move, int ply,
                      const std::array<double, 2>& clock_left) {
    show(gamepage::render_status(ply, move.side, protocol::format_move(move.move), move.seconds,
                                 clock_left),
         gamepage::render_board(board, move.move, color_));
}

void BoardView::note(const std::string& line) {
    if (!in_place_)
        return;
    notes_.push_back(line);
    if (notes_.size() > kNotes)
        notes_.erase(notes_.begin());
}

void BoardView::show(const std::string& status, const std::string& board) {
    if (!in_place_) {
        out_ << status << '\n' << board << '\n' << std::flush;
        return;
    }
    std::string screen = kRedraw + status + '\n' + board + '\n';
    for (const auto& line : notes_)
        screen += line + '\n';
    out_ << screen << std::flush;
}

void Observers::add(GameObserver* observer) {
    if (observer)
        list_.push_back(observer);
}

void Observers::started(const rules::Board& board, const std::array<double, 2>& clock_left) {
    for (auto* o : list_)
        o->started(board, clock_left);
}

void Observers::moved(const rules::Board& board, const PlayedMove& move, int ply,
                      const std::array<double, 2>& clock_left) {
    for (auto* o : list_)
        o->moved(board, move, ply, clock_left);
}

void Observers::line(rules::Side side, Direction direction, std::string_view text) {
    for (auto* o : list_)
        o->line(side, direction, text);
}

void Observers::error_output(rules::Side side, std::string_view text) {
    for (auto* o : list_) {
        if (o->wants_error_output())
            o->error_output(side, text);
    }
}

void Observers::notice(rules::Side side, std::string_view text) {
    for (auto* o : list_)
        o->notice(side, text);
}

bool Observers::wants_error_output() const {
    return std::any_of(list_.begin(), list_.end(),
                       [](const GameObserver* o) { return o->wants_error_output(); });
}

}  // namespace referee
