#include "long_record.h"

#include <array>
#include <sstream>

#include "records/record.h"

namespace record_samples {

std::string shuttle_record(int plies) {
    const auto board = rules::Board::starting(8, 8);
    std::array<protocol::MoveLine, 2> there{};
    for (const auto side : {rules::Side::Black, rules::Side::White}) {
        bool found = false;
        for (int y = 0; y < 8 && !found; ++y) {
            for (int x = 0; x < 8 && !found; ++x) {
                for (int dy = -1; dy <= 1 && !found; ++dy) {
                    const protocol::MoveLine move{'S', x, y, 'M', x, y + dy};
                    if (dy != 0 && !records::replay_refusal(board, side, move) &&
                        board.at(x, y + dy) == rules::Cell::Empty) {
                        there[side == rules::Side::Black ? 0 : 1] = move;
                        found = true;
                    }
                }
            }
        }
    }
    records::RecordHeader header;
    header.event = "shuttle";
    header.black = "b";
    header.white = "w";
    header.rows = 8;
    header.columns = 8;
    header.time_control = records::TimeControl{};
    header.result = "1/2-1/2";
    header.termination = "the ply limit was reached";
    std::vector<records::WrittenMove> moves;
    for (int ply = 0; ply < plies; ++ply) {
        protocol::MoveLine move = there[static_cast<std::size_t>(ply % 2)];
        if ((ply / 2) % 2 == 1)
            move = {'S', move.x2, move.y2, 'M', move.x1, move.y1};
        moves.push_back({protocol::format_move(move), 0.001});
    }
    std::ostringstream out;
    records::write_record(out, header, moves);
    return out.str();
}

}  // namespace record_samples
