#include "rules/judge.h"

#include <algorithm>
#include <vector>

#include "rules/legal_moves.h"
#include "rules/reading.h"

namespace rules {

namespace {

// Appended piece by piece: g++ 12 at -O3 warns falsely (-Wrestrict) about
// "(" + std::to_string(x).
std::string square(int x, int y) {
    std::string text(1, '(');
    text += std::to_string(x);
    text += ',';
    text += std::to_string(y);
    text += ')';
    return text;
}

// The checks every rule set makes: a well-formed line that moves the mover's
// own soldier and does not take the mover's own piece.
std::optional<std::string> square_refusal(const Board& board, Side side,
                                          const protocol::MoveLine& move) {
    if (move.piece != 'S')
        return std::string("a move line names piece 'S', not '") + move.piece + "'";
    if (move.action != 'M' && move.action != 'B')
        return std::string("a move line's action is 'M' or 'B', not '") + move.action + "'";
    const std::string size = std::to_string(board.rows()) + "x" + std::to_string(board.columns());
    if (!board.inside(move.x1, move.y1))
        return square(move.x1, move.y1) + " is off the " + size + " board";
    if (!board.inside(move.x2, move.y2))
        return square(move.x2, move.y2) + " is off the " + size + " board";
    const Cell source = board.at(move.x1, move.y1);
    if (source != soldier_of(side))
        return square(move.x1, move.y1) + " holds no soldier of " + side_name(side);
    if (belongs_to(board.at(move.x2, move.y2), side)) {
        return std::string(side_name(side)) +
               (move.action == 'M' ? " cannot take" : " cannot shoot") + " its own piece on " +
               square(move.x2, move.y2);
    }
    return std::nullopt;
}

}  // namespace

std::vector<Reading> readings(RuleSet rules, const Board& board) {
    std::vector<Reading> result;
    for (Reading reading : {Reading::Treeplayer, Reading::Gridplayer}) {
        const bool chosen = rules == RuleSet::Either ||
                            (rules == RuleSet::Treeplayer && reading == Reading::Treeplayer) ||
                            (rules == RuleSet::Gridplayer && reading == Reading::Gridplayer);
        if (chosen && applies(reading, board.rows(), board.columns()))
            result.push_back(reading);
    }
    return result;
}

const char* rule_set_name(RuleSet rules) {
    switch (rules) {
        case RuleSet::Either:
            return "either";
        case RuleSet::Treeplayer:
            return "treeplayer";
        case RuleSet::Gridplayer:
            return "gridplayer";
        case RuleSet::Squares:
            break;
    }
    return "squares";
}

std::optional<RuleSet> parse_rule_set(std::string_view name) {
    for (RuleSet rules :
         {RuleSet::Either, RuleSet::Treeplayer, RuleSet::Gridplayer, RuleSet::Squares}) {
        if (name == rule_set_name(rules))
            return rules;
    }
    return std::nullopt;
}

std::optional<std::string> refusal(const Board& board, Side side, const protocol::MoveLine& move,
                                   RuleSet rules) {
    if (auto why = square_refusal(board, side, move))
        return why;
    if (rules == RuleSet::Squares)
        return std::nullopt;
    const std::vector<Reading> accepted = readings(rules, board);
    if (accepted.empty()) {
        return std::string(rule_set_name(rules)) + "'s rules do not apply on a " +
               std::to_string(board.rows()) + "x" + std::to_string(board.columns()) + " board";
    }
    for (Reading reading : accepted) {
        const auto moves = legal_moves(board, side, reading);
        if (std::find(moves.begin(), moves.end(), move) != moves.end())
            return std::nullopt;
    }
    std::string why = move.action == 'M' ? "no soldier of " : "no cannon of ";
    why += side_name(side);
    why += move.action == 'M' ? " can reach " : " can shoot ";
    why += square(move.x2, move.y2) + " from " + square(move.x1, move.y1);
    if (rules != RuleSet::Either)
        why += std::string(" under ") + rule_set_name(rules) + "'s rules";
    return why;
}

bool has_legal_move(const Board& board, Side side, RuleSet rules) {
    if (rules == RuleSet::Squares) {
        for (int y = 0; y < board.rows(); ++y) {
            for (int x = 0; x < board.columns(); ++x) {
                if (board.at(x, y) == soldier_of(side))
                    return true;
            }
        }
        return false;
    }
    const std::vector<Reading> accepted = readings(rules, board);
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](Reading reading) { return !legal_moves(board, side, reading).empty(); });
}

}  // namespace rules
