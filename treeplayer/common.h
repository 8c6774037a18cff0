// Helpers shared by the board model and the generators, and the printing
// routines.
#pragma once

#include <iosfwd>
#include <utility>
#include <vector>

#include "treeplayer/types.h"

// True when a square with both fields equal to `square` occurs in `list`.
bool contains(coord square, const std::vector<coord>& list);

// (white's town-hall home squares, black's town-hall home squares).
std::pair<std::vector<coord>, std::vector<coord>> create_th_list();

// The candidates on a width x height board and not in `excluded`, in order.
std::vector<coord> moves_filter(const std::vector<coord>& candidates,
                                const std::vector<coord>& excluded, int width, int height);

// The same operations on borrowed arguments: what the modules call inside
// treeplayer so that a hot path copies no list (a whole turn stays well under a millisecond).
namespace tp_ref {
bool contains(coord square, const std::vector<coord>& list);
std::vector<coord> moves_filter(const std::vector<coord>& candidates,
                                const std::vector<coord>& excluded, int width, int height);
// What both generators keep of a candidate target, in one test: on the 8x8
// board, not an own soldier, not an own town-hall home square (the two
// moves_filter passes a soldier step or a cannon shot goes through).
inline bool target_allowed(coord t, const std::vector<coord>& own,
                           const std::vector<coord>& ownHalls) {
    return t.x >= 0 && t.x < 8 && t.y >= 0 && t.y < 8 && !tp_ref::contains(t, own) &&
           !tp_ref::contains(t, ownHalls);
}
// One move ("S", source, action, target) per target, in order: soldier steps
// and cannon shots differ only in the action letter.
std::vector<Move> moves_to(coord source, char action, const std::vector<coord>& targets);
}  // namespace tp_ref

// One move line on `out`, newline, flush.
void write_move(std::ostream& out, const Move& move);
// The same on standard output (resp. standard error).
void print_move(Move move);
void printerr_move(Move move);

// Debug printers (standard output; never called during a game).
void print_board(const Board& board);
void print_board_new(const Board& board);
void print_soldier(const std::vector<coord>& soldiers);
void print_cannon(const std::vector<Cannon>& cannons);
