// The referee's move checking fed arbitrary lines: the strict move and header
// readers, the rules' refusals and the board's application of accepted moves. The
// board evolves through every accepted line, so later lines meet positions
// that no real game reaches (pieces stacked on one side, halls shot away).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/cell.h"
#include "rules/judge.h"
#include "rules/side.h"

namespace {

using fuzz::require;
using protocol::MoveLine;
using rules::Board;
using rules::Cell;
using rules::Side;

int pieces(const Board& board) {
    int count = 0;
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            count += board.at(x, y) != Cell::Empty;
    }
    return count;
}

// The basic checks, written out independently of the rules library so the
// two are compared on every line.
bool acceptable(const Board& board, const MoveLine& move, Side side) {
    if (!board.inside(move.x1, move.y1) || !board.inside(move.x2, move.y2))
        return false;
    const Cell source = board.at(move.x1, move.y1);
    const Cell mover_soldier = side == Side::Black ? Cell::BlackSoldier : Cell::WhiteSoldier;
    return source == mover_soldier && !rules::belongs_to(board.at(move.x2, move.y2), side);
}

void check_header(const std::string& line) {
    std::string why;
    const auto header = protocol::parse_header(line, &why);
    require(header.has_value() == why.empty(),
            "a header is refused exactly when a reason is given");
    if (header) {
        const auto again = protocol::parse_header(protocol::format_header(*header));
        require(again && *again == *header, "a formatted header reads back as itself");
    }
}

// One line through the referee's checks; the board moves on only when the
// line is accepted.
void check_move(Board& board, const std::string& line, Side side) {
    std::string why;
    const auto move = protocol::parse_move(line, &why);
    require(move.has_value() == why.empty(),
            "a move line is refused exactly when a reason is given");
    if (!move)
        return;
    require(move->piece == 'S', "an accepted line names a soldier");
    require(move->action == 'M' || move->action == 'B', "an accepted line moves or fires");
    const auto again = protocol::parse_move(protocol::format_move(*move));
    require(again && *again == *move, "a formatted move reads back as itself");

    const Board before = board;
    const auto refusal = rules::refusal(board, side, *move, rules::RuleSet::Squares);
    require(refusal.has_value() != acceptable(board, *move, side),
            "the basic checks refuse exactly the moves that break them");
    require(rules::refusal(board, side, *move, rules::RuleSet::Either).has_value() ||
                !refusal.has_value(),
            "a move either reading allows passes the basic checks");
    require(board == before, "checking a move changes no board");
    if (refusal)
        return;
    require(protocol::on_board(*move, board.rows(), board.columns()),
            "an accepted move lies on the board");

    const Cell moved = before.at(move->x1, move->y1);
    board.apply(*move);
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x) {
            Cell expected = before.at(x, y);
            if (x == move->x2 && y == move->y2)
                expected = move->action == 'M' ? moved : Cell::Empty;
            else if (x == move->x1 && y == move->y1 && move->action == 'M')
                expected = Cell::Empty;
            require(board.at(x, y) == expected, "a move changes its own squares and no other");
        }
    }
    require(pieces(board) <= pieces(before), "no move creates a piece");
    for (Side s : {Side::Black, Side::White}) {
        require(board.town_halls(s) <= before.town_halls(s), "no move creates a town hall");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks which side moves first (bit 0) and the board
    // (6..10 rows, 1..10 columns, as the players support; "J" is 8 x 8 with
    // black first, "b" 10 x 10); the rest is the lines.
    const int shape = data[0] >> 1;
    const int rows = 6 + shape % 5;
    const int columns = 1 + (shape / 5) % 10;
    Side side = (data[0] & 1) != 0 ? Side::White : Side::Black;
    Board board = Board::starting(rows, columns);
    for (const std::string& line : fuzz::split_lines(fuzz::as_text(data + 1, size - 1))) {
        check_header(line);
        check_move(board, line, side);
        side = rules::opponent(side);
    }
    const Board copy = board;
    require(
        copy.hash(side) == board.hash(side) && copy.hash(side) != board.hash(rules::opponent(side)),
        "equal positions hash alike, and the side to move is part of the key");
    return 0;
}
