#include "long_record.h"

#include <array>
#include <sstream>

#include "referee/game/record.h"
#include "replay/game.h"

namespace record_samples {

std::string shuttle_record(int plies) {
    const auto board = replay::Board::starting(8, 8);
    std::array<protocol::MoveLine, 2> there{};
    for (const auto side : {replay::Side::Black, replay::Side::White}) {
        bool found = false;
        for (int y = 0; y < 8 && !found; ++y) {
            for (int x = 0; x < 8 && !found; ++x) {
                for (int dy = -1; dy <= 1 && !found; ++dy) {
                    const protocol::MoveLine move{'S', x, y, 'M', x, y + dy};
                    if (dy != 0 && !replay::replay_refusal(board, side, move) &&
                        replay::piece_letter(board.at(x, y + dy)).empty()) {
                        there[side == replay::Side::Black ? 0 : 1] = move;
                        found = true;
                    }
                }
            }
        }
    }
    referee::GameResult result;
    result.outcome.reason = referee::EndReason::PlyLimit;
    for (int ply = 0; ply < plies; ++ply) {
        const int who = ply % 2;
        protocol::MoveLine move = there[static_cast<std::size_t>(who)];
        if ((ply / 2) % 2 == 1)
            move = {'S', move.x2, move.y2, 'M', move.x1, move.y1};
        result.moves.push_back(
            {who == 0 ? referee::Side::Black : referee::Side::White, move, 0.001});
    }
    std::ostringstream out;
    referee::write_record(out, {"shuttle", "b", "w", 8, 8, 150}, result);
    return out.str();
}

}  // namespace record_samples
