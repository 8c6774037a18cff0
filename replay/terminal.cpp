#include "replay/terminal.h"

#include <array>
#include <cstdio>
#include <optional>
#include <ostream>

#include "gamepage/terminal.h"
#include "text/printable.h"

namespace replay {
namespace {

std::string tag_lines(const records::Game& game) {
    std::string out;
    for (const auto& [name, value] : game.tags)
        out += text::printable(name) + ": " + text::printable(value) + '\n';
    return out;
}

}  // namespace

std::string result_text(const records::Game& game) {
    std::string reason = game.tag("Termination");
    if (game.result == "*" && reason.empty())
        reason = "the record stops here";
    if (reason.empty())
        return game.result;
    return game.result + " {" + text::printable(reason) + "}";
}

namespace {

// The position after `ply` moves, given that position and the clocks.
std::string render_at(const records::Game& game, int ply, const rules::Board& board,
                      const std::array<double, 2>& clocks, bool color) {
    std::string out;
    std::optional<protocol::MoveLine> last;
    if (ply == 0) {
        out += "start: black to move\n";
    } else {
        const auto& played = game.moves[static_cast<std::size_t>(ply - 1)];
        last = played.move;
        out += gamepage::render_status(ply, records::mover(ply), protocol::format_move(played.move),
                                       played.seconds, clocks) +
               '\n';
    }
    out += gamepage::render_board(board, last, color);
    if (ply == game.plies())
        out += "\nResult: " + result_text(game) + '\n';
    return out;
}

}  // namespace

std::string render_position(const records::Game& game, int ply, bool color) {
    return render_at(game, ply, records::position_after(game, ply),
                     records::clocks_after(game, ply), color);
}

void render_game(std::ostream& out, const records::Game& game, bool color) {
    out << tag_lines(game);
    // One board and one pair of clocks carried from ply to ply: the whole
    // game costs as much as its moves, and the text goes out as it is made.
    rules::Board board = rules::Board::starting(game.rows, game.columns);
    const double start = game.time_control.seconds;
    std::array<double, 2> clocks{start, start};
    for (int ply = 0; ply <= game.plies(); ++ply) {
        if (ply > 0) {
            const records::RecordedMove& played = game.moves[static_cast<std::size_t>(ply - 1)];
            board.apply(played.move);
            double& clock = clocks[rules::side_index(records::mover(ply))];
            clock -= played.seconds;
            clock += game.time_control.increment;
        }
        out << '\n' << render_at(game, ply, board, clocks, color);
    }
}

}  // namespace replay
