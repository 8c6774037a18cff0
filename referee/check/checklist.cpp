#include "referee/check/checklist.h"

#include <algorithm>
#include <cstdio>

namespace referee {
namespace {

// Which of the bot's mistakes ended a game, if one did.
enum class Fault { None, Start, Header, Clock, Output, Play, Flush };

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", value);
    return text;
}

int moves_of(const CheckedGame& game) {
    return static_cast<int>(
        std::count_if(game.result.moves.begin(), game.result.moves.end(),
                      [&](const PlayedMove& m) { return m.side == game.side; }));
}

Fault fault_of(const CheckedGame& game) {
    if (game.start_error)
        return Fault::Start;
    if (game.waited_after)
        return Fault::Flush;
    const Outcome& outcome = game.result.outcome;
    if (!outcome.loser || *outcome.loser != game.side)
        return Fault::None;
    switch (outcome.reason) {
        case EndReason::TimeForfeit:
        case EndReason::MoveTimeout:
            return Fault::Clock;
        case EndReason::MalformedLine:
        case EndReason::OutOfTurn:
        case EndReason::LineTooLong:
        case EndReason::PartialLine:
            return Fault::Output;
        case EndReason::IllegalMove:
        case EndReason::Exited:
        case EndReason::ClosedOutput:
        case EndReason::ClosedInput:
        case EndReason::MemoryLimit:
            return Fault::Play;
        default:
            return Fault::None;
    }
}

struct Seen {
    Verdict verdict = Verdict::Passed;
    std::string evidence;
};

// Whether the bot wrote anything on its first turn: a move, or a line that
// lost it the game on another line of the checklist.
bool answered(const CheckedGame& game) {
    const Fault fault = fault_of(game);
    return fault == Fault::None || fault == Fault::Output || moves_of(game) > 0 ||
           game.result.outcome.reason == EndReason::IllegalMove;
}

Seen answers_header(const CheckedGame& game) {
    if (game.start_error)
        return {Verdict::Failed, "could not start: " + *game.start_error};
    const auto first = std::find_if(game.result.moves.begin(), game.result.moves.end(),
                                    [&](const PlayedMove& m) { return m.side == game.side; });
    if (first != game.result.moves.end())
        return {Verdict::Passed, "first move after " + seconds(first->seconds)};
    if (answered(game))
        return {Verdict::Passed, "answered (see below)"};
    if (fault_of(game) == Fault::Flush)
        return {Verdict::NotChecked, "its answer stayed in its output buffer (see below)"};
    return {Verdict::Failed, game.result.outcome.describe()};
}

// The lines about the game as it went: each fails on its own fault, and
// cannot be checked when the bot never got that far.
Seen during_game(const CheckedGame& game, Fault mine, const std::string& passed) {
    const Fault fault = fault_of(game);
    if (fault == Fault::Start)
        return {Verdict::NotChecked, "it did not start"};
    if (fault == mine && mine == Fault::Flush)
        return {Verdict::Failed, "blocked reading its input with nothing to read, " +
                                     seconds(*game.waited_after) + " after its input came"};
    if (!answered(game))
        return {Verdict::NotChecked, "it never answered"};
    if (fault == mine)
        return {Verdict::Failed, game.result.outcome.describe()};
    if (moves_of(game) == 0 && fault != Fault::None)
        return {Verdict::NotChecked, "it never moved"};
    return {Verdict::Passed, passed};
}

Seen within_clock(const CheckedGame& game) {
    double longest = 0;
    for (const PlayedMove& m : game.result.moves) {
        if (m.side == game.side)
            longest = std::max(longest, m.seconds);
    }
    const double left = game.result.clock_left[rules::side_index(game.side)];
    return during_game(game, Fault::Clock,
                       "longest move " + seconds(longest) + ", " + seconds(left) + " left");
}

Seen only_moves(const CheckedGame& game) {
    return during_game(game, Fault::Output, std::to_string(moves_of(game)) + " move lines");
}

Seen plays_to_end(const CheckedGame& game) {
    const std::string passed =
        fault_of(game) == Fault::None
            ? game.result.outcome.result().text() + ", " + game.result.outcome.describe()
            : std::to_string(moves_of(game)) + " legal moves";
    return during_game(game, Fault::Play, passed);
}

Seen flushes(const CheckedGame& game) {
    return during_game(
        game, Fault::Flush,
        "answered all " + std::to_string(moves_of(game)) + " times without waiting for input");
}

Seen leaves(const CheckedGame& game) {
    if (game.start_error)
        return {Verdict::NotChecked, "it did not start"};
    switch (game.leaving) {
        case Leaving::OnItsOwn:
            return {Verdict::Passed, "exited " + seconds(game.left_after) + " after end of input"};
        case Leaving::Signalled:
            return {Verdict::Failed, "still running " + seconds(game.left_after) +
                                         " after end of input; the referee ended it"};
        case Leaving::GoneBefore:
            break;
    }
    return {Verdict::NotChecked, "it was gone before the game ended"};
}

// Both games' findings as one line: it fails when either game failed it,
// and shows the games that decided that.
CheckLine combine(const std::string& what, const std::string& hint,
                  const std::vector<CheckedGame>& games, Seen (*look)(const CheckedGame&)) {
    std::vector<Seen> seen;
    CheckLine line{what, Verdict::Passed, "", ""};
    for (const CheckedGame& game : games) {
        seen.push_back(look(game));
        if (seen.back().verdict == Verdict::Failed ||
            (seen.back().verdict == Verdict::NotChecked && line.verdict == Verdict::Passed))
            line.verdict = seen.back().verdict;
    }
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (line.verdict != Verdict::Passed && seen[i].verdict == Verdict::Passed)
            continue;
        line.evidence += std::string(line.evidence.empty() ? "as " : "; as ") +
                         rules::side_name(games[i].side) + ": " + seen[i].evidence;
    }
    line.hint = hint;
    return line;
}

}  // namespace

std::vector<CheckLine> checklist(const std::vector<CheckedGame>& games) {
    return {
        combine("starts and answers the header",
                "read one line, e.g. \"1 8 8 150\" (your side, rows, columns, seconds); as "
                "black (1) move at once, as white (2) wait for black's move first",
                games, answers_header),
        combine("moves within its clock",
                "the header's last number is your time for the whole game: spend it over "
                "all your moves",
                games, within_clock),
        combine("writes only move lines on standard output",
                "standard output is for move lines alone, one per turn: write anything "
                "else to standard error",
                games, only_moves),
        combine("plays legal moves to the end of the game",
                "the reason says what ended the game; a game with --log FILE keeps every "
                "line and your standard error",
                games, plays_to_end),
        combine("leaves on end of input",
                "the game is over when a read of standard input finds its end: exit then", games,
                leaves),
        combine("flushes its moves",
                "its move is probably still in an output buffer; flush after every move "
                "(C: fflush(stdout); C++: std::flush; Python: print(..., flush=True); Java: "
                "System.out.flush())",
                games, flushes),
    };
}

bool print_checklist(const std::vector<CheckLine>& lines, std::ostream& out) {
    int failed = 0;
    int unchecked = 0;
    for (const CheckLine& line : lines) {
        const char* mark = line.verdict == Verdict::Passed   ? "ok    "
                           : line.verdict == Verdict::Failed ? "FAIL  "
                                                             : "--    ";
        out << mark << line.what << ": "
            << (line.verdict == Verdict::NotChecked ? "not checked, " : "") << line.evidence
            << '\n';
        if (line.verdict == Verdict::Failed)
            out << "      hint: " << line.hint << '\n';
        failed += line.verdict == Verdict::Failed ? 1 : 0;
        unchecked += line.verdict == Verdict::NotChecked ? 1 : 0;
    }
    if (failed == 0 && unchecked == 0) {
        out << "All " << lines.size() << " checks passed.\n";
        return true;
    }
    out << failed << " of " << lines.size() << " checks failed";
    if (unchecked > 0)
        out << ", " << unchecked << " could not be checked";
    out << ".\n";
    return false;
}

}  // namespace referee
