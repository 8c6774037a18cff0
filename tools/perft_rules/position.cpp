#include "tools/perft_rules/position.h"

namespace perft_rules {

namespace {

rules::Cell cell_of(char letter) {
    for (rules::Cell cell : {rules::Cell::BlackSoldier, rules::Cell::BlackTownHall,
                             rules::Cell::WhiteSoldier, rules::Cell::WhiteTownHall}) {
        if (rules::letter(cell) == letter)
            return cell;
    }
    return rules::Cell::Empty;
}

}  // namespace

Position from_letters(const position_file::Position& letters) {
    Position position{rules::Board::starting(letters.rows, letters.columns),
                      letters.black_to_move ? rules::Side::Black : rules::Side::White};
    for (int y = 0; y < letters.rows; ++y) {
        for (int x = 0; x < letters.columns; ++x)
            position.board.set(x, y, cell_of(letters.at(y, x)));
    }
    return position;
}

position_file::Position to_letters(const Position& position) {
    position_file::Position letters{position.board.rows(),
                                    position.board.columns(),
                                    position.to_move == rules::Side::Black,
                                    {}};
    for (int y = 0; y < position.board.rows(); ++y) {
        for (int x = 0; x < position.board.columns(); ++x)
            letters.cells.push_back(rules::letter(position.board.at(x, y)));
    }
    return letters;
}

}  // namespace perft_rules
