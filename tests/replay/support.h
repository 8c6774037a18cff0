// What the replay tests share: records written by the referee's own record
// writer, and the position read back from what replay drew, as rows of
// letters (w W b B, "." for an empty square).
#pragma once

#include <fstream>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "long_record.h"
#include "records/game.h"
#include "referee/game/record.h"
#include "rules/board.h"
#include "rules/cell.h"

namespace replay_test {

inline std::string letters(const rules::Board& board) {
    std::string out;
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x)
            out += rules::letter(board.at(x, y));
        out += '\n';
    }
    return out;
}

// The referee's display: the rows that start with their number.
inline std::string letters_from_display(const std::string& display) {
    std::string out;
    std::istringstream lines(display);
    const std::regex row("^[ 0-9]{2}[0-9] ");
    for (std::string line; std::getline(lines, line);) {
        if (!std::regex_search(line, row))
            continue;
        // Every square is three characters: its letter between two marks.
        for (std::size_t at = 5; at < line.size(); at += 3)
            out += line[at];
        out += '\n';
    }
    return out;
}

struct Drawing {
    std::string letters;          // "?" where no square was drawn
    std::set<std::string> marks;  // "from X Y", "to X Y"
};

// The <g data-x data-y data-piece> squares of an SVG picture or a page, and
// the "from"/"to" classes of the rectangles inside them.
inline Drawing drawing_in(const std::string& markup, int rows, int columns) {
    Drawing drawing;
    for (int y = 0; y < rows; ++y)
        drawing.letters += std::string(static_cast<std::size_t>(columns), '?') + '\n';
    const std::regex square(
        "<g class=\"sq\" data-x=\"(\\d+)\" data-y=\"(\\d+)\" data-piece=\"(\\w?)\">"
        "<rect class=\"\\w+ ?(\\w*)\"");
    for (auto it = std::sregex_iterator(markup.begin(), markup.end(), square);
         it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        const std::size_t at =
            std::stoul(m[2]) * static_cast<std::size_t>(columns + 1) + std::stoul(m[1]);
        drawing.letters.at(at) = m[3].length() > 0 ? m[3].str()[0] : '.';
        if (m[4].length() > 0)
            drawing.marks.insert(m[4].str() + ' ' + m[1].str() + ' ' + m[2].str());
    }
    return drawing;
}

inline std::set<std::string> marks_of(const std::optional<protocol::MoveLine>& move) {
    if (!move)
        return {};
    return {"from " + std::to_string(move->x1) + ' ' + std::to_string(move->y1),
            "to " + std::to_string(move->x2) + ' ' + std::to_string(move->y2)};
}

// A game of random moves that replay accepts though no player would make
// them: a soldier of the side to move steps up to two squares or fires up
// to four squares away, at anything but its own side's pieces. The
// referee's record writer writes it; it ends early when no move is found.
inline std::string random_record(unsigned seed, int rows, int columns, int plies) {
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto board = rules::Board::starting(rows, columns);
    referee::GameResult result;
    for (int tries = 0; static_cast<int>(result.moves.size()) < plies && tries < 100000; ++tries) {
        const auto side = records::mover(static_cast<int>(result.moves.size()) + 1);
        const char action = pick(0, 4) == 0 ? 'B' : 'M';
        const int reach = action == 'M' ? 2 : 4;
        const int x = pick(0, columns - 1);
        const int y = pick(0, rows - 1);
        const protocol::MoveLine move{
            'S', x, y, action, x + pick(-reach, reach), y + pick(-reach, reach)};
        if (records::replay_refusal(board, side, move))
            continue;
        board.apply(move);
        result.moves.push_back(
            {side == rules::Side::Black ? rules::Side::Black : rules::Side::White, move,
             pick(0, 2000) / 1000.0});
    }
    std::ostringstream out;
    referee::write_record(out, {"random", "b", "w", rows, columns, {150}}, result);
    return out.str();
}

using record_samples::shuttle_record;

}  // namespace replay_test
