// The position to explain: a board size and the moves played from the start.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "explain/explanation.h"
#include "protocol/move_line.h"

namespace explain {

struct Setup {
    int rows = 8;
    int columns = 8;
    std::vector<protocol::MoveLine> moves;

    // Black moves first, so black is to move after an even number of plies.
    bool black_to_move() const { return moves.size() % 2 == 0; }
    // 1 for the side to move's first move: one more than it has played so far.
    int move_number() const { return static_cast<int>(moves.size() / 2) + 1; }
};

// "L1;L2;...": move lines separated by ';' (spaces around them and empty
// entries are ignored, so "" is the starting position). Throws InputError on
// a line that is not a move or leaves the board.
Setup setup_from_moves(int rows, int columns, const std::string& moves);

// A referee record: tag pairs with Rows and Columns, a blank line, one move
// line per ply with its time comment, then the result. The position after
// the first `ply` plies. Throws InputError when the record cannot be read or
// has fewer plies.
Setup setup_from_record(const std::string& record_text, int ply);

// A record's result and why, e.g. "1-0 {white lost its town halls}", when
// `ply` is its last ply and the game was decided; empty otherwise.
std::string record_end(const std::string& record_text, int ply);

// Plays the moves on the rules library's board and throws InputError at the
// first one that `program`'s reading of the rules does not allow there (with
// the rules library's reason), or that comes after the game had ended.
// Returns why the game is over in the position reached, if it is: under the
// referee's default limits, a side with two town halls or fewer loses, and
// so does a side to move without a legal move.
std::optional<std::string> check_reachable(const Setup& setup, const std::string& program);

// Both players apply any move they are sent, but a move that does not start
// from one of the mover's soldiers is a typing mistake in a position to
// explain, not a position either program could reach: the error to throw.
InputError no_soldier(std::size_t ply, const protocol::MoveLine& move, bool black);

}  // namespace explain
