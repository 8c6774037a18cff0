// The starting board, move application, and the soldier and cannon lists
// derived from a board.
#pragma once

#include <tuple>
#include <vector>

#include "treeplayer/types.h"

// The starting position.
Board initialise();

// b after m: "B" empties the target; any other action moves the source code
// to the target and empties the source. All four coordinates must be 0..7.
Board Update_board(Move m, Board b);

// The squares of b holding `code`, row-major.
std::vector<coord> Soldiers_list(int code, const Board& b);

// The cannons of the soldiers with `code`, in scan order.
std::vector<Cannon> Get_list(int code, const Board& b);

// True when `candidate` (same middle, same ends in either order) is in list.
bool Search(const std::vector<Cannon>& list, Cannon candidate);

// (black's cannons, white's cannons).
std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b);

// The same operations on borrowed arguments (see common.h).
namespace tp_ref {
std::vector<coord> Soldiers_list(int code, const Board& b);
std::vector<Cannon> Get_list(int code, const Board& b);
bool Search(const std::vector<Cannon>& list, const Cannon& candidate);
std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b);
// Fill `list` (cleared first) as Soldiers_list / Get_list would return it;
// lets a caller reuse its buffers.
void Soldiers_list_into(int code, const Board& b, std::vector<coord>& list);
void Get_list_into(int code, const Board& b, std::vector<Cannon>& list);
// The 8x8 cells of a Board in one block, for scans that read every cell.
struct Grid {
    int cell[8][8];  // [y][x]
};
Grid to_grid(const Board& b);
void Get_list_into(int code, const Grid& g, std::vector<Cannon>& list);
// The same scan driven by the squares of `code` in row-major order (the
// soldier list of g for code): only those squares can be middles.
void Get_list_into(int code, const Grid& g, const std::vector<coord>& squares,
                   std::vector<Cannon>& list);
}  // namespace tp_ref
