// The starting board, move application, and the soldier and cannon lists
// derived from a board.
#pragma once

#include <tuple>
#include <vector>

#include "treeplayer/types.h"

namespace treeplayer {

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
bool Search(const std::vector<Cannon>& list, const Cannon& candidate);

// (black's cannons, white's cannons).
std::tuple<std::vector<Cannon>, std::vector<Cannon>> Update(const Board& b);

}  // namespace treeplayer
