#include "replay/terminal.h"

#include <array>
#include <cstdio>
#include <optional>
#include <ostream>

#include "referee/common/text.h"
#include "referee/game/display.h"
#include "referee/game/outcome.h"

namespace replay {
namespace {

std::string tag_lines(const Game& game) {
    std::string out;
    for (const auto& [name, value] : game.tags)
        out += referee::printable(name) + ": " + referee::printable(value) + '\n';
    return out;
}

}  // namespace

std::string result_text(const Game& game) {
    std::string reason = game.tag("Termination");
    if (game.result == "*" && reason.empty())
        reason = "the record stops here";
    if (reason.empty())
        return game.result;
    return game.result + " {" + referee::printable(reason) + "}";
}

namespace {

// The position after `ply` moves, given that position and the clocks.
std::string render_at(const Game& game, int ply, const Board& board,
                      const std::array<double, 2>& clocks, bool color) {
    std::string out;
    std::optional<protocol::MoveLine> last;
    if (ply == 0) {
        out += "start: black to move\n";
    } else {
        const auto& played = game.moves[static_cast<std::size_t>(ply - 1)];
        last = played.move;
        const auto side = mover(ply) == Side::Black ? referee::Side::Black : referee::Side::White;
        out += referee::render_status(ply, side, protocol::format_move(played.move), played.seconds,
                                      clocks) +
               '\n';
    }
    out += referee::render_board(board, last, color);
    if (ply == game.plies())
        out += "\nResult: " + result_text(game) + '\n';
    return out;
}

}  // namespace

std::string render_position(const Game& game, int ply, bool color) {
    return render_at(game, ply, position_after(game, ply), clocks_after(game, ply), color);
}

void render_game(std::ostream& out, const Game& game, bool color) {
    out << tag_lines(game);
    // One board and one pair of clocks carried from ply to ply: the whole
    // game costs as much as its moves, and the text goes out as it is made.
    Board board = Board::starting(game.rows, game.columns);
    std::array<double, 2> clocks{game.time_seconds, game.time_seconds};
    for (int ply = 0; ply <= game.plies(); ++ply) {
        if (ply > 0) {
            const RecordedMove& played = game.moves[static_cast<std::size_t>(ply - 1)];
            board.apply(played.move);
            clocks[mover(ply) == Side::Black ? 0 : 1] -= played.seconds;
        }
        out << '\n' << render_at(game, ply, board, clocks, color);
    }
}

}  // namespace replay
