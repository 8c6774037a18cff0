#include "explain/setup.h"

#include <istream>
#include <sstream>

#include "rules/judge.h"

namespace explain {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// One move of the list, numbered from 1 in messages as plies are.
protocol::MoveLine read_move(const std::string& line, std::size_t ply, int rows, int columns) {
    std::string why;
    const auto move = protocol::parse_move(line, &why);
    if (!move)
        throw InputError("ply " + std::to_string(ply) + " \"" + line + "\": " + why);
    if (!protocol::on_board(*move, rows, columns)) {
        throw InputError("ply " + std::to_string(ply) + " \"" + line +
                         "\": a square lies off the " + std::to_string(rows) + "x" +
                         std::to_string(columns) + " board");
    }
    return *move;
}

// The value of a tag line such as [Rows "8"], when it is that tag.
bool tag_value(const std::string& line, const std::string& name, std::string& value) {
    const std::string open = "[" + name + " \"";
    if (line.rfind(open, 0) != 0 || line.size() < open.size() + 2 || line.back() != ']')
        return false;
    value = line.substr(open.size(), line.size() - open.size() - 2);
    return true;
}

int tag_number(const std::string& name, const std::string& value) {
    std::size_t used = 0;
    int number = 0;
    try {
        number = std::stoi(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != value.size())
        throw InputError("record: tag " + name + " \"" + value + "\" is not a number");
    return number;
}

// The referee's default: a side left with this many town halls or fewer loses.
constexpr int kTownHallLimit = 2;

// Why the game is over with `to_move` to play, under `rules`; nullopt while
// it goes on.
std::optional<std::string> game_over(const rules::Board& board, rules::Side to_move,
                                     rules::RuleSet rules) {
    for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const int left = board.town_halls(side);
        if (left <= kTownHallLimit) {
            return std::string(rules::side_name(side)) + " has lost: " + std::to_string(left) +
                   (left == 1 ? " town hall" : " town halls") + " left";
        }
    }
    if (!rules::has_legal_move(board, to_move, rules))
        return std::string(rules::side_name(to_move)) + " has lost: no legal move";
    return std::nullopt;
}

// A record's move lines, without their time comments, from `lines` placed
// just after the tag pairs; `after` is left holding the line that ended them
// (the result line, or empty at the end of the text).
std::vector<std::string> move_lines(std::istream& lines, std::string& after) {
    std::vector<std::string> played;
    after.clear();
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty())
            continue;
        if (line[0] != 'S') {
            after = line;
            break;
        }
        const auto comment = line.find(" {");
        played.push_back(comment == std::string::npos ? line : line.substr(0, comment));
    }
    return played;
}

}  // namespace

std::optional<std::string> check_reachable(const Setup& setup, const std::string& program) {
    const auto reading = rules::parse_rule_set(program);
    const auto own = rules::parse_reading(program);
    if (!reading || !own)
        throw InputError("no rules for " + program);
    // A board the program does not play is refused by its explainer.
    if (!rules::applies(*own, setup.rows, setup.columns))
        return std::nullopt;
    rules::Board board = rules::Board::starting(setup.rows, setup.columns);
    rules::Side side = rules::Side::Black;
    for (std::size_t i = 0; i < setup.moves.size(); ++i) {
        const auto& move = setup.moves[i];
        const std::string ply =
            "ply " + std::to_string(i + 1) + " \"" + protocol::format_move(move) + "\": ";
        if (auto over = game_over(board, side, *reading))
            throw InputError(ply + "the game was already over (" + *over + ")");
        if (auto why = rules::refusal(board, side, move, *reading))
            throw InputError(ply + *why);
        board.apply(move);
        side = rules::opponent(side);
    }
    return game_over(board, side, *reading);
}

InputError no_soldier(std::size_t ply, const protocol::MoveLine& move, bool black) {
    return InputError("ply " + std::to_string(ply) + " \"" + protocol::format_move(move) +
                      "\": no " + (black ? "black" : "white") + " soldier on " +
                      std::to_string(move.x1) + " " + std::to_string(move.y1));
}

Setup setup_from_moves(int rows, int columns, const std::string& moves) {
    Setup setup{rows, columns, {}};
    std::istringstream list(moves);
    std::string entry;
    while (std::getline(list, entry, ';')) {
        const std::string line = trimmed(entry);
        if (!line.empty())
            setup.moves.push_back(read_move(line, setup.moves.size() + 1, rows, columns));
    }
    return setup;
}

std::string record_end(const std::string& record_text, int ply) {
    std::istringstream lines(record_text);
    std::string reason;
    std::string line;
    while (std::getline(lines, line) && !trimmed(line).empty())
        tag_value(trimmed(line), "Termination", reason);
    // The moves, then the result line.
    std::string result;
    const auto played = move_lines(lines, result);
    if (static_cast<int>(played.size()) != ply || result.empty() || result == "*")
        return "";
    return result + (reason.empty() ? "" : " {" + reason + "}");
}

Setup setup_from_record(const std::string& record_text, int ply) {
    std::istringstream lines(record_text);
    std::string line;
    std::string rows;
    std::string columns;
    // Tag pairs up to the first blank line.
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty())
            break;
        std::string value;
        if (tag_value(line, "Rows", value))
            rows = value;
        else if (tag_value(line, "Columns", value))
            columns = value;
    }
    if (rows.empty() || columns.empty())
        throw InputError("record: no Rows or no Columns tag before the first blank line");
    Setup setup{tag_number("Rows", rows), tag_number("Columns", columns), {}};
    // Move lines with their time comments; the result line ends them.
    std::string result;
    const std::vector<std::string> played = move_lines(lines, result);
    if (ply < 0 || static_cast<std::size_t>(ply) > played.size()) {
        throw InputError("record: --ply " + std::to_string(ply) + " is not between 0 and " +
                         std::to_string(played.size()) + ", the plies it holds");
    }
    for (int k = 0; k < ply; ++k)
        setup.moves.push_back(read_move(played[k], k + 1, setup.rows, setup.columns));
    return setup;
}

}  // namespace explain
