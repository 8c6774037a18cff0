// perft_rules' start: the opening position, or a position file in the
// letters every perft tool reads (tools/perft_common/position_file.h).
#pragma once

#include "rules/board.h"
#include "rules/side.h"
#include "tools/perft_common/position_file.h"

namespace perft_rules {

struct Position {
    rules::Board board;
    rules::Side to_move;
};

Position from_letters(const position_file::Position& letters);
position_file::Position to_letters(const Position& position);

}  // namespace perft_rules
