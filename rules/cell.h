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

constexpr bool is_soldier(Cell cell) {
    return cell == Cell::BlackSoldier || cell == Cell::WhiteSoldier;
}

constexpr Cell soldier_of(Side side) {
    return side == Side::Black ? Cell::BlackSoldier : Cell::WhiteSoldier;
}

constexpr Cell town_hall_of(Side side) {
    return side == Side::Black ? Cell::BlackTownHall : Cell::WhiteTownHall;
}

}  // namespace rules
