#include "perft/treeplayer.h"

#include <sstream>

#include "positions/treeplayer_cells.h"
#include "treeplayer/cannon_list.h"
#include "treeplayer/next_moves.h"

// treeplayer's own names, as its code spells them.
using namespace treeplayer;

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

std::vector<perft_command::DivideLine> command_divide(const positions::Position& position,
                                                      int depth) {
    std::vector<perft_command::DivideLine> lines;
    for (const DivideLine& line :
         divide(positions::treeplayer_board(position), position.black_to_move, depth))
        lines.push_back({move_line(line.move), line.count});
    return lines;
}

}  // namespace

perft_command::Tool perft_tool() {
    perft_command::Tool tool;
    tool.name = "perft_treeplayer";
    tool.player = "treeplayer";
    tool.min_rows = tool.max_rows = tool.min_columns = tool.max_columns = kSide;
    tool.start = [](int, int) { return positions::from_treeplayer(initialise(), true); };
    tool.divide = [](const positions::Position& position, int depth, const std::string&) {
        return command_divide(position, depth);
    };
    return tool;
}

}  // namespace perft_tp
