#include "perft/rules.h"

#include <string>

#include "positions/rules_cells.h"
#include "rules/board.h"
#include "rules/legal_moves.h"

namespace perft_rules {

namespace {

// Makes each move on `board` and takes it back afterwards: a move changes at
// most its two squares, so putting them back is cheaper than a copy.
std::uint64_t count(rules::Board& board, rules::Side side, rules::Reading reading, int depth) {
    const std::vector<protocol::MoveLine> moves = rules::legal_moves(board, side, reading);
    if (depth == 1)
        return moves.size();
    std::uint64_t total = 0;
    for (const protocol::MoveLine& move : moves) {
        const rules::Cell source = board.at(move.x1, move.y1);
        const rules::Cell target = board.at(move.x2, move.y2);
        board.apply(move);
        total += count(board, rules::opponent(side), reading, depth - 1);
        board.set(move.x2, move.y2, target);
        board.set(move.x1, move.y1, source);
    }
    return total;
}

}  // namespace

std::uint64_t perft(const rules::Board& board, rules::Side side, rules::Reading reading,
                    int depth) {
    if (depth <= 0)
        return 1;
    rules::Board scratch = board;
    return count(scratch, side, reading, depth);
}

std::vector<DivideLine> divide(const rules::Board& board, rules::Side side, rules::Reading reading,
                               int depth) {
    std::vector<DivideLine> lines;
    if (depth <= 0)
        return lines;
    for (const protocol::MoveLine& move : rules::legal_moves(board, side, reading)) {
        rules::Board after = board;
        after.apply(move);
        lines.push_back({move, perft(after, rules::opponent(side), reading, depth - 1)});
    }
    return lines;
}

perft_command::Tool perft_tool() {
    perft_command::Tool tool;
    tool.name = "perft_rules";
    tool.player = "the rules library";
    // The rules' limits: they are stated for any board a game may have. A
    // single column is counted too, though black starts there without a
    // town hall.
    tool.min_rows = rules::kMinRows;
    tool.max_rows = rules::kMaxSide;
    tool.min_columns = 1;
    tool.max_columns = rules::kMaxSide;
    tool.start = [](int rows, int columns) {
        return positions::from_rules(rules::Board::starting(rows, columns), rules::Side::Black);
    };
    tool.divide = [](const positions::Position& start, int depth, const std::string& name) {
        std::vector<perft_command::DivideLine> lines;
        for (const DivideLine& line :
             divide(positions::rules_board(start), positions::side_to_move(start),
                    *rules::parse_reading(name), depth))
            lines.push_back({protocol::format_move(line.move), line.count});
        return lines;
    };
    tool.choice_option = "--rules";
    tool.choice_help = "whose reading: treeplayer (8x8 only) or gridplayer";
    tool.choices = {"treeplayer", "gridplayer"};
    tool.refuse = [](const std::string& name, int rows, int columns) -> std::string {
        if (rules::applies(*rules::parse_reading(name), rows, columns))
            return {};
        return name + "'s rules apply on 8x8 only, not " + std::to_string(rows) + "x" +
               std::to_string(columns);
    };
    tool.description =
        "Counts the positions that the rules library's reading of one player's rules reaches "
        "in DEPTH plies, the sides alternating, split by first move, in the order the player "
        "itself lists its moves.";
    tool.footer = std::string(rules::reading_differences());
    return tool;
}

}  // namespace perft_rules
