#include "tools/perft_rules/position.h"

namespace perft_rules {

Position from_letters(const position_file::Position& letters) {
    Position position{rules::Board::starting(letters.rows, letters.columns),
                      letters.black_to_move ? rules::Side::Black : rules::Side::White};
    for (int y = 0; y < letters.rows; ++y) {
        for (int x = 0; x < letters.columns; ++x) {
            rules::Cell cell = rules::Cell::Empty;
            switch (letters.at(y, x)) {
                case 'w':
                    cell = rules::Cell::WhiteSoldier;
                    break;
                case 'W':
                    cell = rules::Cell::WhiteTownHall;
                    break;
                case 'b':
                    cell = rules::Cell::BlackSoldier;
                    break;
                case 'B':
                    cell = rules::Cell::BlackTownHall;
                    break;
                default:
                    break;
            }
            position.board.set(x, y, cell);
        }
    }
    return position;
}

}  // namespace perft_rules
