// treeplayer's turn replayed with its own tree and minimax.
#pragma once

#include "explain/explanation.h"
#include "explain/setup.h"

namespace explain {

// Only 8x8 positions (treeplayer knows no other board); throws InputError
// otherwise or when a move does not start from a soldier of the side to move,
// and ChoiceMismatch when the replay disagrees with minimax's own move.
Explanation explain_treeplayer(const Setup& setup);

}  // namespace explain
