#include "tools/perft_rules/position.h"

#include <istream>

namespace perft_rules {

namespace {

std::optional<rules::Cell> cell_of(char letter) {
    switch (letter) {
        case '.':
            return rules::Cell::Empty;
        case 'w':
            return rules::Cell::WhiteSoldier;
        case 'W':
            return rules::Cell::WhiteTownHall;
        case 'b':
            return rules::Cell::BlackSoldier;
        case 'B':
            return rules::Cell::BlackTownHall;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<Position> read_position(std::istream& in, int rows, int columns, std::string* why) {
    auto fail = [why](const std::string& text) -> std::optional<Position> {
        if (why != nullptr)
            *why = text;
        return std::nullopt;
    };
    std::optional<rules::Side> side;
    rules::Board board = rules::Board::starting(rows, columns);
    int y = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        if (!side) {
            if (line != "black" && line != "white")
                return fail("the first line must be \"black\" or \"white\", not \"" + line + "\"");
            side = line == "black" ? rules::Side::Black : rules::Side::White;
            continue;
        }
        if (y == rows)
            return fail("more than " + std::to_string(rows) + " rows");
        int x = 0;
        for (char letter : line) {
            if (letter == ' ' || letter == '\t')
                continue;
            const std::optional<rules::Cell> cell = cell_of(letter);
            if (!cell)
                return fail("row " + std::to_string(y) + ": unknown cell '" + letter + "'");
            if (x == columns) {
                return fail("row " + std::to_string(y) + " has more than " +
                            std::to_string(columns) + " cells");
            }
            board.set(x++, y, *cell);
        }
        if (x != columns) {
            return fail("row " + std::to_string(y) + " has " + std::to_string(x) + " cells, not " +
                        std::to_string(columns));
        }
        ++y;
    }
    if (!side)
        return fail("no side to move");
    if (y != rows)
        return fail(std::to_string(y) + " rows, not " + std::to_string(rows));
    return Position{board, *side};
}

}  // namespace perft_rules
