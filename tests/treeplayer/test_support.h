// Small helpers shared by treeplayer's tests: boards from text, move text.
#pragma once

#include <string>
#include <vector>

#include "treeplayer/types.h"

namespace tp_test {

using treeplayer::Board;
using treeplayer::Move;

// An empty 8x8 board.
inline Board empty_board() {
    return Board(8, std::vector<int>(8, 0));
}

// "S 0 5 M 0 4".
inline std::string move_text(const Move& m) {
    const auto& [piece, x1, y1, action, x2, y2] = m;
    std::string text;
    text += piece;
    text += ' ' + std::to_string(x1) + ' ' + std::to_string(y1) + ' ';
    text += action;
    text += ' ' + std::to_string(x2) + ' ' + std::to_string(y2);
    return text;
}

inline std::vector<std::string> move_texts(const std::vector<Move>& moves) {
    std::vector<std::string> texts;
    texts.reserve(moves.size());
    for (const Move& m : moves)
        texts.push_back(move_text(m));
    return texts;
}

inline Move step(int x1, int y1, int x2, int y2) {
    return Move{'S', x1, y1, 'M', x2, y2};
}
inline Move shot(int x1, int y1, int x2, int y2) {
    return Move{'S', x1, y1, 'B', x2, y2};
}

}  // namespace tp_test
