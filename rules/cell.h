// What a square holds. Cannons have no cell of their own: a cannon is three
// soldiers of one side in a line.
#pragma once

#include "rules/side.h"

namespace rules {

enum class Cell : char { Empty, BlackSoldier, BlackTownHall, WhiteSoldier, WhiteTownHall };

constexpr bool belongs_to(Cell cell, Side side) {
    if (side == Side::Black)
        return cell == Cell::BlackSoldier || cell == Cell::BlackTownHall;
    return cell == Cell::WhiteSoldier || cell == Cell::WhiteTownHall;
}

// The letter a board shown as text uses for the cell: soldiers b and w, town
// halls B and W, '.' for an empty square.
constexpr char letter(Cell cell) {
    switch (cell) {
        case Cell::BlackSoldier:
            return 'b';
        case Cell::BlackTownHall:
            return 'B';
        case Cell::WhiteSoldier:
            return 'w';
        case Cell::WhiteTownHall:
            return 'W';
        case Cell::Empty:
            break;
    }
    return '.';
}

constexpr Cell soldier_of(Side side) {
    return side == Side::Black ? Cell::BlackSoldier : Cell::WhiteSoldier;
}

constexpr Cell town_hall_of(Side side) {
    return side == Side::Black ? Cell::BlackTownHall : Cell::WhiteTownHall;
}

}  // namespace rules
