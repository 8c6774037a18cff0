// treeplayer's bench set read into its cells under the old names; see
// CMakeLists.txt. New code reads positions::read_positions and translates
// with positions::treeplayer_board.
#pragma once

#include <istream>
#include <optional>
#include <string>

#include "perft/treeplayer.h"
#include "positions/treeplayer_cells.h"

namespace perft_tp {

struct Position {
    Board board;
    bool black = true;
};

inline std::optional<Position> read_position(std::istream& in, std::string* why) {
    auto letters = positions::read_position(in, 8, 8, why);
    if (!letters)
        return std::nullopt;
    return Position{positions::treeplayer_board(*letters), letters->black_to_move};
}

}  // namespace perft_tp
