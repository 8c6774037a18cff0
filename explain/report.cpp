#include "explain/report.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace explain {
namespace {

std::string side_name(const Explanation& e) {
    return e.black_to_move ? "black" : "white";
}

bool keeps_last(const Explanation& e) {
    return e.program == "treeplayer";
}

std::string board_text(const Explanation& e) {
    char number[32];
    std::string out = "    ";
    const std::size_t columns = e.board.empty() ? 0 : e.board[0].size();
    for (std::size_t x = 0; x < columns; ++x) {
        std::snprintf(number, sizeof number, "%2zu ", x);
        out += number;
    }
    out += " x\n";
    for (std::size_t y = 0; y < e.board.size(); ++y) {
        std::snprintf(number, sizeof number, "%3zu ", y);
        out += number;
        for (char cell : e.board[y]) {
            out += ' ';
            out += cell;
            out += ' ';
        }
        while (out.back() == ' ')
            out.pop_back();
        out += '\n';
    }
    return out + "  y\n";
}

std::string move_line(const Explanation& e, std::size_t k) {
    const RootMove& move = e.moves[k];
    char text[160];
    int used =
        std::snprintf(text, sizeof text, "%4zu  %-12s %6d", k + 1, move.move.c_str(), move.value);
    std::string line(text, static_cast<std::size_t>(used));
    if (move.evaluation) {
        std::snprintf(text, sizeof text, "  %10.4f", static_cast<double>(*move.evaluation));
        line += text;
    } else {
        std::snprintf(text, sizeof text, "  %-5s %9lld", bound_name(move.bound),
                      static_cast<long long>(move.nodes));
        line += text;
        if (move.full_window) {
            std::snprintf(text, sizeof text, "  %6d", *move.full_window);
            line += text;
        }
    }
    if (e.chosen == k)
        line += "  <- chosen";
    return line + "\n";
}

std::string header_line(const Explanation& e) {
    if (e.program == "treeplayer")
        return "   #  move          value  evaluation\n";
    std::string line = "   #  move          value  bound     nodes";
    if (!e.moves.empty() && e.moves[0].full_window)
        line += "   exact";
    return line + "\n";
}

}  // namespace

const char* bound_name(Bound bound) {
    switch (bound) {
        case Bound::lower:
            return "lower";
        case Bound::upper:
            return "upper";
        default:
            return "exact";
    }
}

std::string reason(const Explanation& e) {
    if (!e.chosen)
        return side_name(e) + " has no legal move; " + e.program + " writes nothing.";
    const int best = e.moves[*e.chosen].value;
    std::size_t equal = 0;    // exact values equal to the best, the chosen move included
    std::size_t bounded = 0;  // cut off at the best: worth at most that
    for (const RootMove& move : e.moves) {
        if (move.value == best)
            ++(move.bound == Bound::exact ? equal : bounded);
    }
    const std::string value = std::to_string(best);
    std::string text = "Only this move reaches the best value " + value;
    if (equal > 1) {
        text = std::to_string(equal) + " moves share the best value " + value + "; " + e.program +
               (keeps_last(e) ? " keeps the last" : " keeps the first") + " of them";
    }
    if (bounded > 0) {
        text += "; " + std::to_string(bounded) + " later move" + (bounded > 1 ? "s" : "") +
                " stopped at " + value + " as an upper bound (worth at most " + value +
                ") and cannot replace it";
    }
    return text + ".";
}

std::string render_text(const Explanation& e) {
    std::string out = board_text(e) + "\n";
    out += side_name(e) + " to move, move " + std::to_string(e.move_number) + " of " + e.program +
           ", depth " + std::to_string(e.depth) + "\n";
    if (!e.moves.empty())
        out += header_line(e);
    for (std::size_t k = 0; k < e.moves.size(); ++k)
        out += move_line(e, k);
    return out + reason(e) + "\n";
}

std::string render_json(const Explanation& e) {
    nlohmann::ordered_json moves = nlohmann::ordered_json::array();
    for (const RootMove& move : e.moves) {
        nlohmann::ordered_json entry = {{"move", move.move},
                                        {"value", move.value},
                                        {"bound", bound_name(move.bound)},
                                        {"nodes", move.nodes}};
        if (move.evaluation)
            entry["evaluation"] = *move.evaluation;
        if (move.full_window)
            entry["exact"] = *move.full_window;
        moves.push_back(entry);
    }
    nlohmann::ordered_json out = {
        {"program", e.program},
        {"side", side_name(e)},
        {"move_number", e.move_number},
        {"depth", e.depth},
        {"board", e.board},
        {"chosen", e.chosen ? nlohmann::ordered_json(e.moves[*e.chosen].move) : nullptr},
        {"reason", reason(e)},
        {"moves", moves}};
    return out.dump() + "\n";
}

}  // namespace explain
