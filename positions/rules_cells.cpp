#include "positions/rules_cells.h"

namespace positions {

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

rules::Board rules_board(const Position& position) {
    rules::Board board = rules::Board::starting(position.rows, position.columns);
    for (int y = 0; y < position.rows; ++y) {
        for (int x = 0; x < position.columns; ++x)
            board.set(x, y, cell_of(position.at(y, x)));
    }
    return board;
}

rules::Side side_to_move(const Position& position) {
    return position.black_to_move ? rules::Side::Black : rules::Side::White;
}

Position from_rules(const rules::Board& board, rules::Side to_move) {
    Position position{board.rows(), board.columns(), to_move == rules::Side::Black, {}};
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            position.cells.push_back(rules::letter(board.at(x, y)));
    }
    return position;
}

}  // namespace positions
