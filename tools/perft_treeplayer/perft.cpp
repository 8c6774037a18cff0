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

std::string move_line(const Move& move) {
    const auto& [piece, x1, y1, action, x2, y2] = move;
    std::ostringstream out;
    out << piece << ' ' << x1 << ' ' << y1 << ' ' << action << ' ' << x2 << ' ' << y2;
    return out.str();
}

std::string format_divide_line(const DivideLine& line) {
    return move_line(line.move) + ": " + std::to_string(line.count);
}

namespace {

constexpr int kSide = 8;

std::vector<perft_command::DivideLine> command_divide(const position_file::Position& position,
                                                      int depth) {
    const Position p = from_letters(position);
    std::vector<perft_command::DivideLine> lines;
    for (const DivideLine& line : divide(p.board, p.black, depth))
        lines.push_back({move_line(line.move), line.count});
    return lines;
}

}  // namespace

position_file::Position to_letters(const Position& position) {
    position_file::Position letters{kSide, kSide, position.black, {}};
    for (const auto& row : position.board) {
        for (int cell : row)
            letters.cells.push_back(position_file::treeplayer_letter(cell));
    }
    return letters;
}

Position from_letters(const position_file::Position& position) {
    Position p{Board(kSide, std::vector<int>(kSide, EMPTY)), position.black_to_move};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x)
            p.board[y][x] = position_file::treeplayer_code(position.at(y, x));
    }
    return p;
}

std::optional<Position> read_position(std::istream& in, std::string* why) {
    auto letters = position_file::read_position(in, kSide, kSide, why);
    if (!letters)
        return std::nullopt;
    return from_letters(*letters);
}

void write_position(std::ostream& out, const Position& position) {
    position_file::write_position(out, to_letters(position));
}

perft_command::Tool perft_tool() {
    perft_command::Tool tool;
    tool.name = "perft_treeplayer";
    tool.player = "treeplayer";
    tool.min_rows = tool.max_rows = tool.min_columns = tool.max_columns = kSide;
    tool.start = [](int, int) { return to_letters({initialise(), true}); };
    tool.divide = [](const position_file::Position& position, int depth, const std::string&) {
        return command_divide(position, depth);
    };
    return tool;
}

}  // namespace perft_tp
