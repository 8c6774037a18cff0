#include "protocol/move_line.h"

#include <charconv>
#include <vector>

namespace protocol {
namespace {

// Coordinates never need more than a few digits; the bound keeps a hostile
// line from overflowing the conversion.
constexpr std::size_t kMaxCoordDigits = 4;
constexpr std::size_t kMaxIntDigits = 10;

std::string_view strip_line_end(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Splits at single spaces; an empty token means two spaces in a row or a
// space at either end, which the format does not allow.
std::vector<std::string_view> split_single_spaces(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (true) {
        std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            tokens.push_back(text.substr(start));
            return tokens;
        }
        tokens.push_back(text.substr(start, space - start));
        start = space + 1;
    }
}

bool all_digits(std::string_view token) {
    if (token.empty())
        return false;
    for (char c : token) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

std::optional<int> to_int(std::string_view token, bool allow_sign, std::size_t max_digits) {
    std::string_view digits = token;
    if (allow_sign && !digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (!all_digits(digits) || digits.size() > max_digits)
        return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size())
        return std::nullopt;
    return value;
}

void say(std::string* why, std::string text) {
    if (why)
        *why = std::move(text);
}

}  // namespace

std::string format_move(const MoveLine& move) {
    std::string text;
    text += move.piece;
    text += ' ' + std::to_string(move.x1) + ' ' + std::to_string(move.y1) + ' ';
    text += move.action;
    text += ' ' + std::to_string(move.x2) + ' ' + std::to_string(move.y2);
    return text;
}

std::string format_header(const Header& header) {
    return std::to_string(header.player_id) + ' ' + std::to_string(header.rows) + ' ' +
           std::to_string(header.columns) + ' ' + std::to_string(header.game_time);
}

std::optional<MoveLine> parse_move(std::string_view line, std::string* why) {
    const auto tokens = split_single_spaces(strip_line_end(line));
    if (tokens.size() != 6) {
        say(why, "expected six tokens separated by single spaces");
        return std::nullopt;
    }
    for (const auto& token : tokens) {
        if (token.empty()) {
            say(why, "tokens must be separated by exactly one space");
            return std::nullopt;
        }
    }
    if (tokens[0] != "S") {
        say(why, "the piece letter must be S");
        return std::nullopt;
    }
    if (tokens[3] != "M" && tokens[3] != "B") {
        say(why, "the action letter must be M or B");
        return std::nullopt;
    }
    int coords[4];
    const std::size_t at[4] = {1, 2, 4, 5};
    for (int i = 0; i < 4; ++i) {
        auto value = to_int(tokens[at[i]], false, kMaxCoordDigits);
        if (!value) {
            say(why, "coordinates must be unsigned decimal numbers");
            return std::nullopt;
        }
        coords[i] = *value;
    }
    return MoveLine{'S', coords[0], coords[1], tokens[3][0], coords[2], coords[3]};
}

std::optional<Header> parse_header(std::string_view line, std::string* why) {
    const auto tokens = split_single_spaces(strip_line_end(line));
    if (tokens.size() != 4) {
        say(why, "expected four integers separated by single spaces");
        return std::nullopt;
    }
    int fields[4];
    for (int i = 0; i < 4; ++i) {
        auto value = to_int(tokens[i], true, kMaxIntDigits);
        if (!value) {
            say(why, "header fields must be decimal integers");
            return std::nullopt;
        }
        fields[i] = *value;
    }
    return Header{fields[0], fields[1], fields[2], fields[3]};
}

bool on_board(const MoveLine& move, int rows, int columns) {
    auto inside = [&](int x, int y) { return x >= 0 && x < columns && y >= 0 && y < rows; };
    return inside(move.x1, move.y1) && inside(move.x2, move.y2);
}

}  // namespace protocol
