// What the replay tests share: records written by the referee's own record
// writer, and the position read back from what replay drew.
#pragma once

#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "referee/record.h"
#include "replay/game.h"

namespace replay_test {

// The letters of a board, row by row, "." for an empty square.
inline std::string letters(const replay::Board& board) {
    std::string out;
    for (int y = 0; y < board.rows(); ++y) {
        for (int x = 0; x < board.columns(); ++x) {
            const std::string piece = replay::piece_letter(board.at(x, y));
            out += piece.empty() ? "." : piece;
        }
        out += '\n';
    }
    return out;
}

// The same letters read off the referee's board display: the rows that
// start with their number, brackets of the marked squares dropped.
inline std::string letters_from_display(const std::string& display) {
    std::string out;
    std::istringstream lines(display);
    std::string line;
    const std::regex row("^[ 0-9]{2}[0-9] ");
    while (std::getline(lines, line)) {
        if (!std::regex_search(line, row))
            continue;
        for (char c : line.substr(5)) {
            if (c == '.' || c == 'w' || c == 'W' || c == 'b' || c == 'B')
                out += c;
        }
        out += '\n';
    }
    return out;
}

struct Square {
    std::string piece;
    std::string rect_class;  // "light", "dark", plus "from" or "to" when marked
};

// Every <g data-x data-y data-piece> square of an SVG picture or a page's
// DOM with the class of the rectangle inside it, by (x, y).
inline std::map<std::pair<int, int>, Square> squares_in(const std::string& markup) {
    std::map<std::pair<int, int>, Square> squares;
    const std::regex square("<g ([^>]*data-x[^>]*)>\\s*<rect class=\"([^\"]*)\"");
    const std::regex attribute("(data-[a-z]+)=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(markup.begin(), markup.end(), square);
         it != std::sregex_iterator(); ++it) {
        std::map<std::string, std::string> attrs;
        const std::string tag = (*it)[1];
        for (auto a = std::sregex_iterator(tag.begin(), tag.end(), attribute);
             a != std::sregex_iterator(); ++a)
            attrs[(*a)[1]] = (*a)[2];
        squares[{std::stoi(attrs["data-x"]), std::stoi(attrs["data-y"])}] = {attrs["data-piece"],
                                                                             (*it)[2]};
    }
    return squares;
}

// Fails with the first square where the drawing and the board differ.
inline std::string first_difference(const std::map<std::pair<int, int>, Square>& drawn,
                                    const replay::Board& board) {
    if (drawn.size() !=
        static_cast<std::size_t>(board.rows()) * static_cast<std::size_t>(board.columns()))
        return std::to_string(drawn.size()) + " squares drawn";
    for (const auto& [at, square] : drawn) {
        const auto [x, y] = at;
        if (!board.inside(x, y) || square.piece != replay::piece_letter(board.at(x, y)))
            return "square " + std::to_string(x) + " " + std::to_string(y) + " shows '" +
                   square.piece + "'";
    }
    return "";
}

// A game of random moves that replay accepts though no player would make
// them: a soldier of the side to move steps up to two squares or fires up
// to four squares away, at anything but its own side's pieces. Written by
// the referee's record writer, so it has that exact format; it ends early
// when the side to move has no soldier left.
inline std::string random_record(unsigned seed, int rows, int columns, int plies) {
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto board = replay::Board::starting(rows, columns);
    referee::GameResult result;
    for (int tries = 0; static_cast<int>(result.moves.size()) < plies && tries < 100000; ++tries) {
        const auto side = replay::mover(static_cast<int>(result.moves.size()) + 1);
        protocol::MoveLine move;
        move.action = pick(0, 4) == 0 ? 'B' : 'M';
        const int reach = move.action == 'M' ? 2 : 4;
        move.x1 = pick(0, columns - 1);
        move.y1 = pick(0, rows - 1);
        move.x2 = move.x1 + pick(-reach, reach);
        move.y2 = move.y1 + pick(-reach, reach);
        if (replay::replay_refusal(board, side, move))
            continue;
        board.apply(move);
        result.moves.push_back(
            {side == replay::Side::Black ? referee::Side::Black : referee::Side::White,
             protocol::format_move(move), pick(0, 2000) / 1000.0});
    }
    std::ostringstream out;
    referee::write_record(out, {"random " + std::to_string(seed), "b", "w", rows, columns, 150},
                          result);
    return out.str();
}

}  // namespace replay_test
