#include "gamepage/board.h"

#include "rules/judge.h"

namespace gamepage {

std::string piece_letter(Cell cell) {
    return cell == Cell::Empty ? std::string() : std::string(1, rules::letter(cell));
}

}  // namespace gamepage
