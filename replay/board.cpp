#include "replay/board.h"

namespace replay {

std::string piece_letter(Cell cell) {
    switch (cell) {
        case Cell::BlackSoldier:
            return "b";
        case Cell::BlackTownHall:
            return "B";
        case Cell::WhiteSoldier:
            return "w";
        case Cell::WhiteTownHall:
            return "W";
        case Cell::Empty:
            break;
    }
    return "";
}

std::optional<std::string> replay_refusal(const Board& board, const protocol::MoveLine& move) {
    if (!board.inside(move.x1, move.y1))
        return "the source square is off the board";
    if (!board.inside(move.x2, move.y2))
        return "the target square is off the board";
    // A piece cannot step or fire onto its own square: taken literally the
    // step would remove the piece it moves.
    if (move.x1 == move.x2 && move.y1 == move.y2)
        return "the source and the target are the same square";
    // A shot leaves its source alone, so only a step needs something there
    // to move; an empty source means the record and the board disagree.
    if (move.action == 'M' && board.at(move.x1, move.y1) == Cell::Empty)
        return "the source square is empty";
    return std::nullopt;
}

}  // namespace replay
