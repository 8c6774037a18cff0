#include "positions/gridplayer_cells.h"

namespace positions {

char gridplayer_letter(int code) {
    switch (code) {
        case -2:
            return 'b';
        case -1:
            return 'B';
        case 2:
            return 'w';
        case 1:
            return 'W';
        default:
            return '.';
    }
}

int gridplayer_code(char letter) {
    switch (letter) {
        case 'b':
            return -2;
        case 'B':
            return -1;
        case 'w':
            return 2;
        case 'W':
            return 1;
        default:
            return 0;
    }
}

std::vector<int> gridplayer_cells(const Position& position) {
    std::vector<int> cells;
    cells.reserve(position.cells.size());
    for (char letter : position.cells)
        cells.push_back(gridplayer_code(letter));
    return cells;
}

Position from_gridplayer(const int* const* grid, int rows, int columns, bool black_to_move) {
    Position position{rows, columns, black_to_move, {}};
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column)
            position.cells.push_back(gridplayer_letter(grid[row][column]));
    }
    return position;
}

}  // namespace positions
