// Helpers shared by the board model and the generators, and the printing
// routines.
#pragma once

#include <iosfwd>
#include <utility>
#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

// True when a square with both fields equal to `square` occurs in `list`.
bool contains(coord square, const std::vector<coord>& list);

// (white's town-hall home squares, black's town-hall home squares).
std::pair<std::vector<coord>, std::vector<coord>> create_th_list();

// The candidates on a width x height board and not in `excluded`, in order.
std::vector<coord> moves_filter(const std::vector<coord>& candidates,
                                const std::vector<coord>& excluded, int width, int height);

// One move line on `out`, newline, flush: the game loop writes to any stream
// so that the tests and the fuzzer can drive it without a process.
void write_move(std::ostream& out, const Move& move);
// The same on standard output (resp. standard error).
void print_move(Move move);
void printerr_move(Move move);

// Debug printers (standard output; never called during a game).
void print_board(const Board& board);
void print_board_new(const Board& board);
void print_soldier(const std::vector<coord>& soldiers);
void print_cannon(const std::vector<Cannon>& cannons);

}  // namespace treeplayer
