#include "record_moves.h"

#include <variant>

#include "protocol/move_line.h"
#include "records/record.h"

namespace test_support {

std::vector<std::string> record_moves(const std::string& record_text) {
    std::vector<std::string> moves;
    const auto read = records::read_record(record_text);
    if (const auto* games = std::get_if<std::vector<records::Game>>(&read)) {
        for (const auto& game : *games) {
            for (const auto& played : game.moves)
                moves.push_back(protocol::format_move(played.move));
        }
    }
    return moves;
}

}  // namespace test_support
