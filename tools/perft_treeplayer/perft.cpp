#include "perft.h"

#include <istream>
#include <ostream>
#include <sstream>

#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

namespace perft_tp {

std::uint64_t perft(const Board& board, bool black, int depth) {
    if (depth <= 0)
        return 1;
    const std::vector<Move> moves = board_moves(board, black);
    if (depth == 1)
        return moves.size();
    std::uint64_t total = 0;
    for (const Move& m : moves)
        total += perft(Update_board(m, board), !black, depth - 1);
    return total;
}

std::vector<DivideLine> divide(const Board& board, bool black, int depth) {
    std::vector<DivideLine> lines;
    if (depth <= 0)
        return lines;
    for (const Move& m : board_moves(board, black)) {
        lines.push_back({m, perft(Update_board(m, board), !black, depth - 1)});
    }
    return lines;
}

std::string format_divide_line(const DivideLine& line) {
    const auto& [piece, x1, y1, action, x2, y2] = line.move;
    std::ostringstream out;
    out << piece << ' ' << x1 << ' ' << y1 << ' ' << action << ' ' << x2 << ' ' << y2 << ": "
        << line.count;
    return out.str();
}

namespace {

bool next_content_line(std::istream& in, std::string& line) {
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        return true;
    }
    return false;
}

std::optional<Position> fail(std::string* why, const std::string& text) {
    if (why)
        *why = text;
    return std::nullopt;
}

}  // namespace

std::optional<Position> read_position(std::istream& in, std::string* why) {
    if (why)
        why->clear();
    Position position;
    position.board.assign(8, std::vector<int>(8, 0));
    std::string line;
    for (int y = 0; y < 8; ++y) {
        if (!next_content_line(in, line)) {
            if (y == 0)
                return std::nullopt;
            return fail(why, "input ended after row " + std::to_string(y - 1));
        }
        std::istringstream row(line);
        for (int x = 0; x < 8; ++x) {
            int code = 0;
            if (!(row >> code) || code < -2 || code > 2) {
                return fail(why, "row " + std::to_string(y) + " needs 8 cell codes in -2..2: \"" +
                                     line + "\"");
            }
            position.board[y][x] = code;
        }
        std::string extra;
        if (row >> extra) {
            return fail(why,
                        "row " + std::to_string(y) + " has more than 8 cells: \"" + line + "\"");
        }
    }
    if (!next_content_line(in, line))
        return fail(why, "missing side line after the board");
    if (line == "black") {
        position.black = true;
    } else if (line == "white") {
        position.black = false;
    } else {
        return fail(why, "side line must be \"black\" or \"white\": \"" + line + "\"");
    }
    return position;
}

void write_position(std::ostream& out, const Position& position) {
    for (const auto& row : position.board) {
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (x)
                out << ' ';
            out << row[x];
        }
        out << '\n';
    }
    out << (position.black ? "black" : "white") << '\n';
}

}  // namespace perft_tp
