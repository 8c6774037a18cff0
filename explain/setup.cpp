#include "explain/setup.h"

#include <sstream>
#include <variant>

#include "records/record.h"
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

// The first game of a referee record, read as replay reads it.
records::Game first_game(const std::string& record_text) {
    auto read = records::read_record(record_text);
    if (const auto* error = std::get_if<records::RecordError>(&read)) {
        throw InputError("record" +
                         (error->line > 0 ? " line " + std::to_string(error->line) : "") + ": " +
                         error->why);
    }
    return std::move(std::get<std::vector<records::Game>>(read).front());
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
    const records::Game game = first_game(record_text);
    if (game.plies() != ply || game.result == "*")
        return "";
    const std::string reason = game.tag("Termination");
    return game.result + (reason.empty() ? "" : " {" + reason + "}");
}

Setup setup_from_record(const std::string& record_text, int ply) {
    const records::Game game = first_game(record_text);
    if (game.tag("Rows").empty() || game.tag("Columns").empty())
        throw InputError("record: no Rows or no Columns tag before the first blank line");
    if (ply < 0 || ply > game.plies()) {
        throw InputError("record: --ply " + std::to_string(ply) + " is not between 0 and " +
                         std::to_string(game.plies()) + ", the plies it holds");
    }
    Setup setup{game.rows, game.columns, {}};
    for (int k = 0; k < ply; ++k)
        setup.moves.push_back(game.moves[static_cast<std::size_t>(k)].move);
    return setup;
}

}  // namespace explain
