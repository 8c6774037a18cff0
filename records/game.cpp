#include "records/game.h"

#include "rules/judge.h"

namespace records {

std::string Game::tag(std::string_view name) const {
    for (const auto& [key, value] : tags) {
        if (key == name)
            return value;
    }
    return "";
}

rules::Side mover(int ply) {
    return ply % 2 == 1 ? rules::Side::Black : rules::Side::White;
}

rules::Board position_after(const Game& game, int ply) {
    rules::Board board = rules::Board::starting(game.rows, game.columns);
    for (int i = 0; i < ply; ++i)
        board.apply(game.moves[static_cast<std::size_t>(i)].move);
    return board;
}

std::array<double, 2> clocks_after(const Game& game, int ply) {
    const double start = game.time_control.seconds;
    std::array<double, 2> left{start, start};
    for (int i = 0; i < ply; ++i) {
        double& clock = left[rules::side_index(mover(i + 1))];
        clock -= game.moves[static_cast<std::size_t>(i)].seconds;
        clock += game.time_control.increment;
    }
    return left;
}

// A record does not say which players' rules its referee applied, and bots
// with rules of their own are judged by the squares alone; so a replay holds
// every move to those checks and no more.
std::optional<std::string> replay_refusal(const rules::Board& board, rules::Side side,
                                          const protocol::MoveLine& move) {
    return rules::refusal(board, side, move, rules::RuleSet::Squares);
}

}  // namespace records
