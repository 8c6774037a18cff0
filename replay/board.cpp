#include "replay/board.h"

#include "rules/judge.h"

namespace replay {

std::string piece_letter(Cell cell) {
    return cell == Cell::Empty ? std::string() : std::string(1, rules::letter(cell));
}

// A record does not say which players' rules its referee applied, and bots
// with rules of their own are judged by the squares alone; so a replay holds
// every move to those checks and no more.
std::optional<std::string> replay_refusal(const Board& board, Side side,
                                          const protocol::MoveLine& move) {
    return rules::refusal(board, side, move, rules::RuleSet::Squares);
}

}  // namespace replay
