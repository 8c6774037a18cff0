#include "referee/options.h"

#include <charconv>

namespace referee {
namespace {

// Bounds that keep every number sane for the game: the starting position
// needs three rows per side, every side at least one town hall more than the
// losing limit, and coordinates stay within what a move line may carry.
constexpr int kMinRows = 6;
constexpr int kMaxSide = 100;
constexpr int kMaxSeconds = 1'000'000;

std::optional<int> to_int(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const char* help_text() {
    return R"(Usage: referee [options] BLACK WHITE

Plays a game between two player programs. BLACK and WHITE are commands: a
program (searched in PATH when it has no slash) with optional arguments,
split into words like a shell would, without running a shell. BLACK is
player 1 and moves first; WHITE is player 2.

Options:
  -r, --rows N          board rows (default 8)
  -c, --columns N       board columns (default 8)
  -t, --time SECONDS    time for each side's whole game (default 150); also
                        sent as the fourth field of the header
      --margin MS       milliseconds a side may overstep its clock before it
                        loses on time, to forgive pipe latency (default 0)
  -p, --plies N         the game is a draw after N plies (default 300)
      --town-halls N    a side left with N town halls or fewer loses
                        (default 2)
      --no-repetition   do not draw on the third repetition of a position
  -g, --games N         play a match of N games, colours alternating, with a
                        running score and a summary table (default 1)
      --record FILE     write the game record (tag pairs and moves) to FILE
      --log FILE        write every line in both directions and the players'
                        standard error to FILE, with timestamps
  -q, --quiet           show only the result lines, not the board
      --no-color        no colours (also off when NO_COLOR is set or
                        standard output is not a terminal)
  -h, --help            show this text

Clock: a side's clock starts the moment the opponent's move has been
written to it (for black's first move: the moment its header has been
written) and stops the moment that side's move line, up to and including its
newline, has been read. A side whose clock falls below minus the margin
loses on time.

Checks: a move line must be "S x1 y1 A x2 y2" with single spaces, action M
or B, a trailing carriage return tolerated; both squares on the board; the
source holding a soldier of the mover; the target holding no piece of the
mover. Anything else, a move out of turn, a line without newline, a line
over 256 bytes, closing output or exiting loses. The players read some
rules differently (sideways captures, retreats, which soldier names a
cannon shot, shots over pieces); the referee does not take sides on those
and accepts any move that passes the checks above.

End: a side left with too few town halls loses; the third occurrence of a
position with the same side to move is a draw; so is reaching the ply limit.
A side with no legal move ends its process and so loses.

Exit status: 0 when the game or match was played to a result, 1 when the
record or log could not be written, 2 for usage errors, 3 when a player
could not be started.
)";
}

std::optional<std::vector<std::string>> split_command(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (in_word)
                words.push_back(word);
            word.clear();
            in_word = false;
        } else if (c == '\'') {
            const auto close = command.find('\'', i + 1);
            if (close == std::string::npos)
                return std::nullopt;
            word += command.substr(i + 1, close - i - 1);
            i = close;
            in_word = true;
        } else if (c == '"') {
            ++i;
            while (i < command.size() && command[i] != '"') {
                if (command[i] == '\\' && i + 1 < command.size() &&
                    (command[i + 1] == '"' || command[i + 1] == '\\')) {
                    ++i;
                }
                word += command[i++];
            }
            if (i >= command.size())
                return std::nullopt;
            in_word = true;
        } else if (c == '\\' && i + 1 < command.size()) {
            word += command[++i];
            in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word)
        words.push_back(word);
    return words;
}

std::string program_name(const std::vector<std::string>& words) {
    if (words.empty())
        return "";
    const auto slash = words[0].find_last_of('/');
    return slash == std::string::npos ? words[0] : words[0].substr(slash + 1);
}

ParsedCommandLine parse_command_line(const std::vector<std::string>& args) {
    Options options;
    std::vector<std::string> positional;
    bool options_done = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        std::optional<std::string> inline_value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inline_value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        const auto flag = [&](const char* short_name, const char* long_name) {
            return arg == long_name || (short_name && arg == short_name);
        };
        const auto value = [&]() -> std::optional<std::string> {
            if (inline_value)
                return inline_value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        const auto number = [&](int low, int high, int& target) -> std::optional<UsageError> {
            const auto text = value();
            if (!text)
                return UsageError{arg + " needs a value"};
            const auto parsed = to_int(*text);
            if (!parsed || *parsed < low || *parsed > high) {
                return UsageError{arg + " must be a whole number from " + std::to_string(low) +
                                  " to " + std::to_string(high) + ", not \"" + *text + "\""};
            }
            target = *parsed;
            return std::nullopt;
        };
        std::optional<UsageError> error;
        if (flag("-h", "--help")) {
            return ShowHelp{};
        } else if (flag("-r", "--rows")) {
            error = number(kMinRows, kMaxSide, options.game.rows);
        } else if (flag("-c", "--columns")) {
            error = number(2, kMaxSide, options.game.columns);
        } else if (flag("-t", "--time")) {
            error = number(1, kMaxSeconds, options.game.time_seconds);
        } else if (flag(nullptr, "--margin")) {
            int margin = 0;
            error = number(0, kMaxSeconds, margin);
            options.game.margin = std::chrono::milliseconds(margin);
        } else if (flag("-p", "--plies")) {
            error = number(1, kMaxSeconds, options.game.ply_limit);
        } else if (flag(nullptr, "--town-halls")) {
            error = number(0, kMaxSide, options.game.town_hall_limit);
        } else if (flag("-g", "--games")) {
            error = number(1, kMaxSeconds, options.games);
        } else if (flag(nullptr, "--no-repetition")) {
            options.game.repetition_draws = false;
        } else if (flag("-q", "--quiet")) {
            options.quiet = true;
        } else if (flag(nullptr, "--no-color")) {
            options.no_color = true;
        } else if (flag(nullptr, "--record") || flag(nullptr, "--log")) {
            const auto path = value();
            if (!path || path->empty())
                return UsageError{arg + " needs a file name"};
            (arg == "--record" ? options.record_path : options.log_path) = *path;
        } else {
            return UsageError{"unknown option " + arg};
        }
        if (error)
            return *error;
        const bool takes_value = !flag(nullptr, "--no-repetition") && !flag("-q", "--quiet") &&
                                 !flag(nullptr, "--no-color");
        if (inline_value && !takes_value)
            return UsageError{arg + " takes no value"};
    }
    if (positional.size() != 2) {
        return UsageError{"expected two player commands, BLACK and WHITE, got " +
                          std::to_string(positional.size())};
    }
    for (int which = 0; which < 2; ++which) {
        auto words = split_command(positional[which]);
        if (!words)
            return UsageError{"unterminated quote in \"" + positional[which] + "\""};
        if (words->empty())
            return UsageError{"empty player command"};
        (which == 0 ? options.black : options.white) = *words;
    }
    // White has a town hall on every even column, black on every odd one:
    // black has the fewer, and must start above the losing limit.
    if (options.game.columns / 2 <= options.game.town_hall_limit) {
        return UsageError{"with " + std::to_string(options.game.columns) +
                          " columns black starts with " + std::to_string(options.game.columns / 2) +
                          " town halls, so --town-halls must be below that"};
    }
    return options;
}

}  // namespace referee
