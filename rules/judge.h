// How a referee judges a move line: which rules it holds the players to, and
// why a line is refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/reading.h"
#include "rules/side.h"

namespace rules {

// Either: a move is allowed when it is legal under at least one reading that
// applies to the board, so each player may play by its own rules.
// Treeplayer, Gridplayer: only that reading (treeplayer's needs 8x8).
// Squares: only the basic checks, for bots with rules of their own: both
// squares on the board, a soldier of the mover on the source, no piece of
// the mover on the target.
enum class RuleSet { Either, Treeplayer, Gridplayer, Squares };

// "either", "treeplayer", "gridplayer" or "squares".
const char* rule_set_name(RuleSet rules);
std::optional<RuleSet> parse_rule_set(std::string_view name);

// Why `side` may not play `move` here under `rules`, in the game's words,
// e.g. "no soldier of black can reach (0,0) from (0,5)"; nullopt when it may.
std::optional<std::string> refusal(const Board& board, Side side, const protocol::MoveLine& move,
                                   RuleSet rules);

// The readings whose moves `rules` accepts on this board: both for Either
// (treeplayer's only on 8x8), one for a single reading, none for Squares.
std::vector<Reading> readings(RuleSet rules, const Board& board);

// Whether `side` has a move under `rules`; under Squares, whether it has a
// soldier left.
bool has_legal_move(const Board& board, Side side, RuleSet rules);

}  // namespace rules
