// The referee keeps the position on the rules library's board, and judges
// every move by the same library the tools use, so a game means the same to
// the referee, the replay and the explanations.
#pragma once

#include "rules/board.h"
#include "rules/cell.h"
#include "rules/side.h"

namespace referee {

using rules::belongs_to;
using rules::Board;
using rules::Cell;
using rules::opponent;
using rules::Side;
using rules::side_index;
using rules::side_name;

}  // namespace referee
