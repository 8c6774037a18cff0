#include "gamepage/terminal.h"

#include <cstdio>
#include <utility>

namespace gamepage {

std::string render_board(const rules::Board& board, const std::optional<protocol::MoveLine>& last,
                         bool color) {
    // The two characters around a square: blanks, or the last move's mark.
    const auto marks = [&](int x, int y) -> std::pair<char, char> {
        if (!last)
            return {' ', ' '};
        const bool shot = last->action == 'B';
        if (last->x2 == x && last->y2 == y)
            return shot ? std::pair{'*', '*'} : std::pair{'[', ']'};
        if (last->x1 == x && last->y1 == y)
            return shot ? std::pair{'(', ')'} : std::pair{'[', ']'};
        return {' ', ' '};
    };
    char number[16];
    std::string out = "    ";
    for (int x = 0; x < board.columns(); ++x) {
        std::snprintf(number, sizeof number, "%2d ", x);
        out += number;
    }
    out += " x\n";
    for (int y = 0; y < board.rows(); ++y) {
        std::snprintf(number, sizeof number, "%3d ", y);
        out += number;
        for (int x = 0; x < board.columns(); ++x) {
            const rules::Cell cell = board.at(x, y);
            const auto [open, close] = marks(x, y);
            std::string piece(1, rules::letter(cell));
            if (color && cell != rules::Cell::Empty) {
                const char* hue =
                    rules::belongs_to(cell, rules::Side::Black) ? "\033[1;31m" : "\033[1;36m";
                piece = hue + piece + "\033[0m";
            }
            if (color && open != ' ') {
                const std::string hue = open == '[' ? "\033[1;33m" : "\033[1;31m";
                out += hue + open + "\033[0m" + piece + hue + close + "\033[0m";
            } else {
                out += open + piece + close;
            }
        }
        while (out.back() == ' ')
            out.pop_back();
        out += '\n';
    }
    out += "  y\n";
    return out;
}

std::string render_status(int ply, rules::Side mover, const std::string& move, double took,
                          const std::array<double, 2>& clock_left) {
    char took_text[32];
    std::snprintf(took_text, sizeof took_text, "%.2f s", took);
    return "ply " + std::to_string(ply) + ": " + rules::side_name(mover) + " played " + move +
           " (" + took_text + ") | " + rules::side_name(rules::opponent(mover)) + " to move | " +
           render_clocks(clock_left);
}

std::string render_start(const std::array<double, 2>& clock_left) {
    return "black to move | " + render_clocks(clock_left);
}

std::string clock_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

std::string render_clocks(const std::array<double, 2>& clock_left) {
    return "clocks black " + clock_text(clock_left[0]) + ", white " + clock_text(clock_left[1]);
}

}  // namespace gamepage
