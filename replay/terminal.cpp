#include "replay/terminal.h"

#include <cstdio>

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

std::string render_position(const Game& game, int ply, bool color) {
    std::string out;
    std::optional<protocol::MoveLine> last;
    if (ply == 0) {
        out += "start: black to move\n";
    } else {
        const auto& played = game.moves[static_cast<std::size_t>(ply - 1)];
        last = played.move;
        const auto side = mover(ply) == Side::Black ? referee::Side::Black : referee::Side::White;
        out += referee::render_status(ply, side, protocol::format_move(played.move), played.seconds,
                                      clocks_after(game, ply)) +
               '\n';
    }
    out += referee::render_board(position_after(game, ply), last, color);
    if (ply == game.plies())
        out += "\nResult: " + result_text(game) + '\n';
    return out;
}

std::string render_game(const Game& game, bool color) {
    std::string out = tag_lines(game);
    for (int ply = 0; ply <= game.plies(); ++ply)
        out += '\n' + render_position(game, ply, color);
    return out;
}

}  // namespace replay
