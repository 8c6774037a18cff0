#include "positions/position.h"

#include <istream>
#include <ostream>
#include <stdexcept>

namespace positions {

namespace {

// The next line that is neither blank nor a comment, without a trailing CR
// (files edited on other systems), numbered for the messages.
bool next_content_line(std::istream& in, std::string& line, int& number) {
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") != std::string::npos && line[0] != '#') {
            return true;
        }
    }
    return false;
}

std::nullopt_t fail(std::string* why, const std::string& text) {
    if (why != nullptr) {
        *why = text;
    }
    return std::nullopt;
}

// Appends the letters of one row to `cells`; empty on success, else the fault.
std::string read_row(const std::string& line, int columns, std::string& cells) {
    int count = 0;
    for (char letter : line) {
        if (letter == ' ' || letter == '\t') {
            continue;
        }
        if (!is_cell_letter(letter)) {
            return std::string("unknown cell '") + letter + "' (use . w W b B)";
        }
        cells.push_back(letter);
        ++count;
    }
    if (count != columns) {
        return std::to_string(count) + " cells, expected " + std::to_string(columns);
    }
    return {};
}

}  // namespace

char Position::at(int row, int column) const {
    return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                 static_cast<std::size_t>(column)];
}

bool is_cell_letter(char letter) {
    return letter == '.' || letter == 'w' || letter == 'W' || letter == 'b' || letter == 'B';
}

std::optional<Position> read_position(std::istream& in, int rows, int columns, std::string* why) {
    if (why != nullptr) {
        why->clear();
    }
    std::string line;
    int number = 0;
    if (!next_content_line(in, line, number)) {
        return std::nullopt;
    }
    Position position{rows, columns, true, {}};
    if (line == "black" || line == "white") {
        position.black_to_move = line == "black";
    } else {
        return fail(why, "line " + std::to_string(number) +
                             ": expected the side to move, \"black\" or \"white\": \"" + line +
                             "\"");
    }
    for (int row = 0; row < rows; ++row) {
        if (!next_content_line(in, line, number)) {
            return fail(why, "the input ends after " + std::to_string(row) + " of " +
                                 std::to_string(rows) + " rows");
        }
        const std::string fault = read_row(line, columns, position.cells);
        if (!fault.empty()) {
            return fail(why, "line " + std::to_string(number) + " (row " + std::to_string(row) +
                                 "): " + fault + ": \"" + line + "\"");
        }
    }
    return position;
}

std::optional<Position> read_single_position(std::istream& in, int rows, int columns,
                                             std::string* why) {
    std::string local;
    std::string* reason = why != nullptr ? why : &local;
    auto position = read_position(in, rows, columns, reason);
    if (!position) {
        if (reason->empty()) {
            return fail(reason, "no position in the input");
        }
        return std::nullopt;
    }
    std::string line;
    int number = 0;
    if (next_content_line(in, line, number)) {
        return fail(why, "more than one position, or more than " + std::to_string(rows) +
                             " rows: \"" + line + "\"");
    }
    return position;
}

std::vector<Position> read_positions(std::istream& in, int rows, int columns) {
    std::vector<Position> all;
    std::string why;
    while (auto position = read_position(in, rows, columns, &why))
        all.push_back(std::move(*position));
    if (!why.empty())
        throw std::runtime_error("position " + std::to_string(all.size()) + ": " + why);
    return all;
}

void write_position(std::ostream& out, const Position& position) {
    out << (position.black_to_move ? "black" : "white") << '\n';
    for (int row = 0; row < position.rows; ++row) {
        for (int column = 0; column < position.columns; ++column) {
            out << (column == 0 ? "" : " ") << position.at(row, column);
        }
        out << '\n';
    }
}

}  // namespace positions
