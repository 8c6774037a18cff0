#include "gamepage/svg.h"

#include <cmath>
#include <functional>

#include "gamepage/styles.h"
#include "rules/cell.h"
#include "text/html.h"

namespace gamepage {
namespace {

using LetterAt = std::function<std::string(int x, int y)>;

// The piece's letter as data-piece and the shape's id hold it: w/W white
// soldier and town hall, b/B black; empty for an empty square.
std::string piece_letter(rules::Cell cell) {
    return cell == rules::Cell::Empty ? std::string() : std::string(1, rules::letter(cell));
}

// Each shape is centred on the origin and placed by its <use>; the letter
// is the id, so the page only has to change an href.
constexpr const char* kDefs =
    "<defs>"
    "<marker id=\"head\" viewBox=\"0 0 10 10\" refX=\"6\" refY=\"5\" markerWidth=\"3.5\" "
    "markerHeight=\"3.5\" orient=\"auto\"><path d=\"M0 0L10 5L0 10z\" fill=\"#2a6bb0\"/></marker>"
    "<g id=\"piece-b\"><circle class=\"b\" r=\"16\"/><circle class=\"ring\" r=\"9\"/></g>"
    "<g id=\"piece-w\"><circle class=\"w\" r=\"16\"/><circle class=\"ring\" r=\"9\"/></g>"
    "<g id=\"piece-B\"><path class=\"B\" d=\"M-16 15V-3L0-17L16-3V15Z\"/>"
    "<path class=\"door\" d=\"M-4 15V5h8v10Z\"/></g>"
    "<g id=\"piece-W\"><path class=\"W\" d=\"M-16 15V-3L0-17L16-3V15Z\"/>"
    "<path class=\"door\" d=\"M-4 15V5h8v10Z\"/></g>"
    "</defs>";

std::string number(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

double centre(int index) {
    return kMargin + index * kCell + kCell / 2.0;
}

std::string attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + value + '"';
}

std::string move_overlay(const std::optional<protocol::MoveLine>& last) {
    std::string out = "<g id=\"move\">";
    if (last) {
        const double x1 = centre(last->x1);
        const double y1 = centre(last->y1);
        double x2 = centre(last->x2);
        double y2 = centre(last->y2);
        if (last->action == 'M') {
            // Stop short of the target's centre so the head does not hide
            // the piece that arrived there.
            const double dx = x2 - x1;
            const double dy = y2 - y1;
            const double length = std::hypot(dx, dy);
            x2 -= dx / length * kCell * 0.3;
            y2 -= dy / length * kCell * 0.3;
            out += "<line class=\"step\"" + attr("x1", number(x1)) + attr("y1", number(y1)) +
                   attr("x2", number(x2)) + attr("y2", number(y2)) + " marker-end=\"url(#head)\"/>";
        } else {
            out += "<line class=\"shot\"" + attr("x1", number(x1)) + attr("y1", number(y1)) +
                   attr("x2", number(x2)) + attr("y2", number(y2)) + "/>";
            out += "<g class=\"burst\" transform=\"translate(" + number(x2) + ' ' + number(y2) +
                   ")\"><circle r=\"12\"/><path d=\"M0-21v10M0 21v-10M-21 0h10M21 0h-10\"/></g>";
        }
    }
    return out + "</g>";
}

std::string picture(int rows, int columns, const LetterAt& letter_at,
                    const std::optional<protocol::MoveLine>& last, const std::string& caption) {
    const int width = kMargin + columns * kCell + kMargin / 2;
    const int board_height = kMargin + rows * kCell + kMargin / 2;
    const int height = board_height + (caption.empty() ? 0 : kMargin + kMargin / 2);
    std::string out =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"board\"" +
        attr("viewBox", "0 0 " + std::to_string(width) + ' ' + std::to_string(height)) +
        attr("width", std::to_string(width)) + attr("height", std::to_string(height)) +
        attr("data-cell", std::to_string(kCell)) + attr("data-margin", std::to_string(kMargin)) +
        '>' + (caption.empty() ? "" : "<title>" + text::html_escape(caption) + "</title>") +
        kSvgStyle + kDefs + "<rect class=\"paper\" width=\"100%\" height=\"100%\"/>";
    if (!caption.empty()) {
        out += "<text class=\"caption\" id=\"caption\"" + attr("x", number(kMargin / 2.0)) +
               attr("y", std::to_string(board_height + kMargin / 2)) + '>' +
               text::html_escape(caption) + "</text>";
    }
    for (int x = 0; x < columns; ++x) {
        out += "<text class=\"label\"" + attr("x", number(centre(x))) +
               attr("y", number(kMargin / 2.0)) + '>' + std::to_string(x) + "</text>";
    }
    for (int y = 0; y < rows; ++y) {
        out += "<text class=\"label\"" + attr("x", number(kMargin / 2.0)) +
               attr("y", number(centre(y))) + '>' + std::to_string(y) + "</text>";
    }
    const auto marked = [&](int x, int y) -> std::string {
        if (!last)
            return "";
        if (last->x2 == x && last->y2 == y)
            return " to";
        if (last->x1 == x && last->y1 == y)
            return " from";
        return "";
    };
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const std::string letter = letter_at(x, y);
            out += "<g class=\"sq\"" + attr("data-x", std::to_string(x)) +
                   attr("data-y", std::to_string(y)) + attr("data-piece", letter) + '>';
            out += "<rect" + attr("class", ((x + y) % 2 == 0 ? "light" : "dark") + marked(x, y)) +
                   attr("x", std::to_string(kMargin + x * kCell)) +
                   attr("y", std::to_string(kMargin + y * kCell)) +
                   attr("width", std::to_string(kCell)) + attr("height", std::to_string(kCell)) +
                   "/>";
            if (!letter.empty()) {
                out += "<use" + attr("href", "#piece-" + letter) + attr("x", number(centre(x))) +
                       attr("y", number(centre(y))) + "/>";
            }
            out += "</g>";
        }
    }
    return out + move_overlay(last) + "</svg>";
}

}  // namespace

std::string svg_picture(const rules::Board& board, const std::optional<protocol::MoveLine>& last,
                        const std::string& caption) {
    return picture(
        board.rows(), board.columns(), [&](int x, int y) { return piece_letter(board.at(x, y)); },
        last, caption);
}

std::string svg_empty_board(int rows, int columns) {
    return picture(
        rows, columns, [](int, int) { return std::string(); }, std::nullopt, "");
}

}  // namespace gamepage
