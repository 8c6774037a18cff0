#include "randombot/randombot.h"

#include <random>
#include <string>

#include "protocol/move_line.h"
#include "rules/board.h"
#include "rules/legal_moves.h"

namespace randombot {

int play(std::istream& in, std::ostream& out, std::ostream& errors, std::uint64_t seed,
         rules::Reading reading) {
    std::string line;
    if (!std::getline(in, line))
        return 0;
    std::string why;
    const auto header = protocol::parse_header(line, &why);
    if (!header || header->rows < 1 || header->columns < 1 || header->rows > 1000 ||
        header->columns > 1000) {
        errors << "randombot: header " << line << ": " << (header ? "bad board size" : why) << '\n';
        return 2;
    }
    if (!rules::applies(reading, header->rows, header->columns)) {
        errors << "randombot: header " << line << ": " << rules::reading_name(reading)
               << "'s rules do not apply on this board\n";
        return 2;
    }
    rules::Board board = rules::Board::starting(header->rows, header->columns);
    const rules::Side own = header->player_id == 1 ? rules::Side::Black : rules::Side::White;
    // mt19937_64's output is fixed by the standard, and the modulo below is
    // plain arithmetic: the same seed picks the same moves on any system
    // (a standard distribution may differ between libraries).
    std::mt19937_64 random(seed);
    rules::Side to_move = rules::Side::Black;
    while (true) {
        if (to_move == own) {
            const auto moves = rules::legal_moves(board, own, reading);
            if (moves.empty())
                return 0;
            const auto& move = moves[random() % moves.size()];
            board.apply(move);
            out << protocol::format_move(move) << std::endl;
        } else {
            if (!std::getline(in, line))
                return 0;
            const auto move = protocol::parse_move(line, &why);
            if (!move || !protocol::on_board(*move, header->rows, header->columns)) {
                errors << "randombot: move " << line << ": " << (move ? "off the board" : why)
                       << '\n';
                return 2;
            }
            board.apply(*move);
        }
        to_move = rules::opponent(to_move);
    }
}

}  // namespace randombot
