#include "replay/game.h"

namespace replay {

std::string Game::tag(std::string_view name) const {
    for (const auto& [key, value] : tags) {
        if (key == name)
            return value;
    }
    return "";
}

Side mover(int ply) {
    return ply % 2 == 1 ? Side::Black : Side::White;
}

Board position_after(const Game& game, int ply) {
    Board board = Board::starting(game.rows, game.columns);
    for (int i = 0; i < ply; ++i)
        board.apply(game.moves[static_cast<std::size_t>(i)].move);
    return board;
}

std::array<double, 2> clocks_after(const Game& game, int ply) {
    std::array<double, 2> left{game.time_seconds, game.time_seconds};
    for (int i = 0; i < ply; ++i) {
        double& clock = left[mover(i + 1) == Side::Black ? 0 : 1];
        clock -= game.moves[static_cast<std::size_t>(i)].seconds;
        clock += game.increment_seconds;
    }
    return left;
}

}  // namespace replay
