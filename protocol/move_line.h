// The wire format between a referee and a player: one game header, then one
// move line per turn. Squares are written x (column) then y (row), from 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// "S x1 y1 A x2 y2": a soldier moves ("M") or a cannon fires ("B").
struct MoveLine {
    char piece = 'S';
    int x1 = 0;
    int y1 = 0;
    char action = 'M';
    int x2 = 0;
    int y2 = 0;

    bool operator==(const MoveLine&) const = default;
};

// "player_id rows columns game_time".
struct Header {
    int player_id = 1;
    int rows = 8;
    int columns = 8;
    int game_time = 150;

    bool operator==(const Header&) const = default;
};

// Six tokens with single spaces, no trailing space, no newline.
std::string format_move(const MoveLine& move);

// Four integers with single spaces, no newline.
std::string format_header(const Header& header);

// Strict reading of one move line as a referee must check it: exactly six
// tokens separated by single spaces, piece "S", action "M" or "B", and four
// unsigned decimal coordinates of at most four digits. A final newline and a
// carriage return before it are tolerated (players on other systems send
// them). On failure returns nullopt and, when `why` is given, one sentence
// that says what was wrong.
std::optional<MoveLine> parse_move(std::string_view line, std::string* why = nullptr);

// Strict reading of a header: four decimal integers (a leading '-' allowed)
// separated by single spaces, optional trailing "\r" and/or "\n".
std::optional<Header> parse_header(std::string_view line, std::string* why = nullptr);

// True when both squares of the move lie on a board of the given size.
bool on_board(const MoveLine& move, int rows, int columns);

}  // namespace protocol
