#include "referee/seats/human.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <ostream>
#include <utility>

#include "gamepage/terminal.h"
#include "referee/game/display.h"
#include "rules/legal_moves.h"
#include "rules/reading.h"
#include "text/printable.h"

namespace referee {
namespace {

// The "moves" listing wraps before this column.
constexpr std::size_t kListWidth = 78;

std::string trimmed(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string whose_rules(rules::RuleSet rules) {
    switch (rules) {
        case rules::RuleSet::Treeplayer:
            return "treeplayer's rules";
        case rules::RuleSet::Gridplayer:
            return "gridplayer's rules";
        case rules::RuleSet::Either:
        case rules::RuleSet::Squares:
            break;
    }
    return "either player's rules";
}

// The moves in columns, as many to a line as fit.
std::string in_columns(const std::vector<std::string>& texts) {
    std::size_t width = 0;
    for (const auto& text : texts)
        width = std::max(width, text.size());
    const std::size_t per_line = std::max<std::size_t>(1, (kListWidth - 4) / (width + 3));
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const bool line_end = i + 1 == texts.size() || (i + 1) % per_line == 0;
        out += (i % per_line == 0 ? "    " : "") + texts[i];
        out += line_end ? std::string("\n") : std::string(width + 3 - texts[i].size(), ' ');
    }
    return out;
}

// The kinds of move the listing groups, in the order it shows them.
enum class Kind { Capture, Step, Sideways, Retreat, Slide, Shot };

struct Group {
    Kind kind;
    const char* title;
};

constexpr Group kGroups[] = {
    {Kind::Capture, "captures (a step forward onto an enemy piece takes it)"},
    {Kind::Step, "steps (one square forward, straight or diagonally)"},
    {Kind::Sideways, "sideways captures (gridplayer's rules only)"},
    {Kind::Retreat, "retreats (two rows back, while an enemy soldier is near)"},
    {Kind::Slide, "cannon slides (the soldier at one end jumps past the other end)"},
    {Kind::Shot, "shots (nothing moves: the target square is emptied)"},
};

Kind kind_of(const rules::Board& board, const protocol::MoveLine& move) {
    if (move.action == 'B')
        return Kind::Shot;
    const int dx = move.x2 - move.x1;
    const int dy = move.y2 - move.y1;
    const bool enemy = board.at(move.x2, move.y2) != rules::Cell::Empty;
    if (dy == 0 && (dx == 1 || dx == -1))
        return Kind::Sideways;
    if ((dy == 1 || dy == -1) && dx >= -1 && dx <= 1)
        return enemy ? Kind::Capture : Kind::Step;
    if ((dy == 2 || dy == -2) && (dx == 0 || dx == 2 || dx == -2))
        return enemy ? Kind::Capture : Kind::Retreat;
    return Kind::Slide;
}

// Whether two shots are one shot named twice: by the cannon's middle soldier
// (treeplayer's way) and by its front soldier, one square nearer the target
// on the same line (gridplayer's way).
bool same_shot(const protocol::MoveLine& middle, const protocol::MoveLine& front) {
    if (middle.action != 'B' || front.action != 'B' || middle.x2 != front.x2 ||
        middle.y2 != front.y2)
        return false;
    const int ux = front.x1 - middle.x1;
    const int uy = front.y1 - middle.y1;
    if ((ux == 0 && uy == 0) || ux < -1 || ux > 1 || uy < -1 || uy > 1)
        return false;
    for (int k : {2, 3}) {
        if (front.x1 + k * ux == front.x2 && front.y1 + k * uy == front.y2)
            return true;
    }
    return false;
}

std::string moves_text(const rules::Board& board, rules::Side side, rules::RuleSet rules) {
    const auto moves = listed_moves(board, side, rules);
    const std::string who = rules::side_name(side);
    std::string out;
    if (rules == rules::RuleSet::Squares) {
        out = "Any move passes here that moves a soldier of " + who +
              " onto a square of the board without a piece of " + who + " on it.\n";
        if (moves.empty())
            return out;
        out += "The players' rules allow these " + std::to_string(moves.size()) + ":\n";
    } else if (moves.empty()) {
        return who + " has no legal move under " + whose_rules(rules) + "; type resign.\n";
    }
    // Pair every shot that has a second naming with it, listed once.
    std::vector<bool> taken(moves.size(), false);
    std::vector<std::vector<std::string>> grouped(std::size(kGroups));
    std::size_t twice = 0;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (taken[i])
            continue;
        std::string text = protocol::format_move(moves[i]);
        for (std::size_t j = 0; j < moves.size(); ++j) {
            if (!taken[j] && j != i &&
                (same_shot(moves[i], moves[j]) || same_shot(moves[j], moves[i]))) {
                taken[j] = true;
                text += " = " + protocol::format_move(moves[j]);
                ++twice;
                break;
            }
        }
        grouped[static_cast<std::size_t>(kind_of(board, moves[i]))].push_back(text);
    }
    if (rules != rules::RuleSet::Squares) {
        const std::size_t distinct = moves.size() - twice;
        out = who + " has " + std::to_string(distinct) +
              (distinct == 1 ? " legal move under " : " legal moves under ") + whose_rules(rules) +
              ":\n";
    }
    for (const Group& group : kGroups) {
        const auto& texts = grouped[static_cast<std::size_t>(group.kind)];
        if (!texts.empty())
            out += "  " + std::string(group.title) + ":\n" + in_columns(texts);
    }
    if (twice > 0) {
        out +=
            "A = joins two namings of one shot: treeplayer names a shot by the cannon's\n"
            "middle soldier, gridplayer by the soldier at its front; either may be typed.\n";
    }
    return out;
}

// Which letters are the side's, where they start and which way they go.
std::string side_intro(rules::Side side, int rows) {
    const bool black = side == rules::Side::Black;
    const std::string last = std::to_string(rows - 1);
    return std::string("You play ") + (black ? "black" : "white") + ": your soldiers are " +
           (black ? "b" : "w") + " and your town halls " + (black ? "B" : "W") +
           (black ? ",\nat the bottom (rows " + std::to_string(rows - 3) + " to " + last +
                        "), and you move up, toward row 0.\n"
                  : ",\nat the top (rows 0 to 2), and you move down, toward row " + last + ".\n");
}

}  // namespace

bool is_human(const std::vector<std::string>& command) {
    return command.size() == 1 && command[0] == "human";
}

std::vector<protocol::MoveLine> listed_moves(const rules::Board& board, rules::Side side,
                                             rules::RuleSet rules) {
    std::vector<protocol::MoveLine> moves;
    // The basic checks allow far more than anyone wants listed: show what
    // either player's rules allow instead.
    const auto shown = rules == rules::RuleSet::Squares ? rules::RuleSet::Either : rules;
    for (rules::Reading reading : rules::readings(shown, board)) {
        for (const auto& move : rules::legal_moves(board, side, reading)) {
            if (std::find(moves.begin(), moves.end(), move) == moves.end())
                moves.push_back(move);
        }
    }
    return moves;
}

std::string normalized_move(const std::string& typed) {
    std::string out;
    for (char c : typed) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (!out.empty() && std::isdigit(static_cast<unsigned char>(out.front())))
        out.insert(0, "S ");
    return out;
}

std::string human_help(rules::RuleSet rules) {
    return "A move is written as the players write it, the leading S optional:\n"
           "  S x1 y1 M x2 y2   the soldier on (x1,y1) steps, captures, retreats, or its\n"
           "                    cannon slides, to (x2,y2)\n"
           "  S x1 y1 B x2 y2   the cannon of the soldier on (x1,y1) shoots at (x2,y2)\n"
           "x is the column and y the row, as numbered along the board's edges.\n"
           "Black (b, B) moves up the board, toward row 0; white (w, W) moves down.\n"
           "On the board the last move's squares are marked: [ ] where a piece left and\n"
           "arrived, ( ) round the soldier that named a shot and * * round the square it hit.\n"
           "moves   lists the legal moves here under " +
           whose_rules(rules) +
           "\n"
           "help    shows this\n"
           "resign  gives up the game (so does the end of input)\n"
           "A line that is no legal move is refused and you may try again; your clock runs.\n";
}

void HumanSeat::say(const std::string& text) {
    *terminal_.screen << text;
}

void HumanSeat::begin_turn(const Turn& turn) {
    turn_ = turn;
    to_move_ = true;
    if (!terminal_.shows_moves) {
        const auto& clocks = turn_.clock_left;
        if (turn_.last) {
            say(gamepage::render_status(turn_.ply, turn_.last->side,
                                        protocol::format_move(turn_.last->move),
                                        turn_.last->seconds, clocks) +
                "\n");
        } else {
            say(std::string(rules::side_name(turn_.side)) + " to move | " +
                gamepage::render_clocks(clocks) + "\n");
        }
        say(gamepage::render_board(turn_.board,
                                   turn_.last ? std::optional(turn_.last->move) : std::nullopt,
                                   terminal_.color));
    }
    if (!introduced_) {
        introduced_ = true;
        const auto moves = listed_moves(turn_.board, turn_.side, turn_.rules);
        const std::string example =
            moves.empty() ? "S 0 5 M 0 4" : protocol::format_move(moves.front());
        say(side_intro(turn_.side, turn_.board.rows()) + "Type a move such as " + example +
            ", or moves, help or resign.\n");
    }
    prompt(turn_.started);
}

void HumanSeat::prompt(Clock::time_point now) {
    const std::size_t own = rules::side_index(turn_.side);
    const double left =
        turn_.clock_left[own] - std::chrono::duration<double>(now - turn_.started).count();
    const bool black = turn_.side == rules::Side::Black;
    say(std::string(rules::side_name(turn_.side)) +
        (black ? " (b B, moving up, " : " (w W, moving down, ") + gamepage::clock_text(left) +
        ")> ");
    terminal_.screen->flush();
    prompting_ = true;
}

void HumanSeat::watch(std::vector<int>& fds) const {
    if (to_move_)
        fds.push_back(terminal_.keyboard->fd());
}

void HumanSeat::pump(const std::vector<int>& ready) {
    const int fd = terminal_.keyboard->fd();
    if (to_move_ && std::find(ready.begin(), ready.end(), fd) != ready.end())
        terminal_.keyboard->read_once();
}

void HumanSeat::leave() {
    if (prompting_)
        say("\n");
    prompting_ = false;
    terminal_.screen->flush();
}

std::optional<LineOrEnd> HumanSeat::take_line(Clock::time_point now) {
    while (auto line = terminal_.keyboard->take_line()) {
        prompting_ = false;
        if (terminal_.echo)
            say(*line + "\n");
        if (auto answer = handle(*line)) {
            to_move_ = false;
            return answer;
        }
        prompt(now);
    }
    if (terminal_.keyboard->exhausted()) {
        to_move_ = false;
        leave();
        return Outcome{EndReason::Resigned, turn_.side, "end of input"};
    }
    return std::nullopt;
}

std::optional<LineOrEnd> HumanSeat::handle(const std::string& line) {
    const std::string typed = trimmed(line);
    if (typed.empty())
        return std::nullopt;
    const std::string command = lower(typed);
    if (command == "help") {
        say(human_help(turn_.rules));
        return std::nullopt;
    }
    if (command == "moves") {
        say(moves_text(turn_.board, turn_.side, turn_.rules));
        return std::nullopt;
    }
    if (command == "resign")
        return Outcome{EndReason::Resigned, turn_.side, ""};

    std::string why;
    const auto move = protocol::parse_move(normalized_move(typed), &why);
    if (!move) {
        say("refused " + text::quote(typed) + ": " + why + " (help shows how to write a move)\n");
        return std::nullopt;
    }
    if (auto refusal = rules::refusal(turn_.board, turn_.side, *move, turn_.rules)) {
        say("refused " + text::quote(typed) + ": " + *refusal + " (moves lists the legal ones)\n");
        return std::nullopt;
    }
    return protocol::format_move(*move);
}

}  // namespace referee
