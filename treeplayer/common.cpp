#include "treeplayer/common.h"

#include <iostream>

namespace treeplayer {

bool contains(coord square, const std::vector<coord>& list) {
    for (const coord& c : list) {
        if (c.x == square.x && c.y == square.y)
            return true;
    }
    return false;
}

std::pair<std::vector<coord>, std::vector<coord>> create_th_list() {
    return {{{0, 0}, {2, 0}, {4, 0}, {6, 0}}, {{1, 7}, {3, 7}, {5, 7}, {7, 7}}};
}

std::vector<coord> moves_filter(const std::vector<coord>& candidates,
                                const std::vector<coord>& excluded, int width, int height) {
    std::vector<coord> kept;
    kept.reserve(candidates.size());
    for (const coord& c : candidates) {
        const bool on_board = c.x >= 0 && c.x < width && c.y >= 0 && c.y < height;
        if (on_board && !contains(c, excluded))
            kept.push_back(c);
    }
    return kept;
}

void write_move(std::ostream& out, const Move& move) {
    out << std::get<0>(move) << ' ' << std::get<1>(move) << ' ' << std::get<2>(move) << ' '
        << std::get<3>(move) << ' ' << std::get<4>(move) << ' ' << std::get<5>(move) << '\n'
        << std::flush;
}

void print_move(Move move) {
    write_move(std::cout, move);
}

void printerr_move(Move move) {
    write_move(std::cerr, move);
}

void print_board(const Board& board) {
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            std::cout << board[y][x] << ' ';
        std::cout << '\n';
    }
}

void print_board_new(const Board& board) {
    for (const auto& row : board) {
        for (int cell : row)
            std::cout << cell << "  ";
        std::cout << '\n';
    }
}

void print_soldier(const std::vector<coord>& soldiers) {
    for (const coord& c : soldiers)
        std::cout << c.x << ' ' << c.y << '\n';
}

void print_cannon(const std::vector<Cannon>& cannons) {
    for (const Cannon& c : cannons) {
        const auto& [a, m, b] = c;
        std::cout << a.x << ' ' << a.y << " -> " << m.x << ' ' << m.y << " -> " << b.x << ' ' << b.y
                  << '\n';
    }
}

}  // namespace treeplayer
