#include "tools/perft_rules/command.h"

#include <string>

#include "protocol/move_line.h"
#include "rules/reading.h"
#include "tools/perft_common/perft_command.h"
#include "tools/perft_rules/perft.h"
#include "tools/perft_rules/position.h"

namespace perft_rules {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    perft_command::Tool tool;
    tool.name = "perft_rules";
    tool.player = "the rules library";
    // The referee's limits: the rules are stated for any board it accepts.
    tool.min_rows = 6;
    tool.max_rows = 100;
    tool.min_columns = 1;
    tool.max_columns = 100;
    tool.start = [](int rows, int columns) {
        return to_letters({rules::Board::starting(rows, columns), rules::Side::Black});
    };
    tool.divide = [](const position_file::Position& letters, int depth, const std::string& name) {
        const Position start = from_letters(letters);
        std::vector<perft_command::DivideLine> lines;
        for (const DivideLine& line :
             divide(start.board, start.to_move, *rules::parse_reading(name), depth))
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
    return perft_command::run(tool, argc, argv, out, err);
}

}  // namespace perft_rules
