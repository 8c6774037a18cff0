#include "referee/options.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <regex>
#include <sstream>

#include "rules/judge.h"
#include "rules/reading.h"

namespace referee {
namespace {

// Bounds that keep every number sane for the game: the starting position
// needs three rows per side, every side at least one town hall more than the
// losing limit, and coordinates stay within what a move line may carry.
constexpr int kMinRows = 6;
constexpr int kMaxSide = 100;
constexpr int kMaxSeconds = 1'000'000;

constexpr const char* kDescription =
    R"(Plays a game between two player programs. BLACK and WHITE are commands: a
program (searched in PATH when it has no slash) with optional arguments,
split into words like a shell would, without running a shell. BLACK is
player 1 and moves first; WHITE is player 2. The word human instead of a
command lets a person play that side at the terminal.)";

constexpr const char* kFooter =
    R"(Clock: a side's clock starts the moment the opponent's move has been
written to it (for black's first move: the moment its header has been
written) and stops the moment that side's move line, up to and including its
newline, has been read. A side whose clock falls below minus the margin
loses on time.

Checks: a move line must be "S x1 y1 A x2 y2" with single spaces, action M
or B, a trailing carriage return tolerated, and a legal move of the mover
under --rules: "either" (the default) takes a move that is legal under at
least one of the two players' readings of the rules that applies to the
board (treeplayer's applies on 8x8 only), "treeplayer" or "gridplayer" only
that reading, "squares" only the basic checks (both squares on the board,
a soldier of the mover on the source, no piece of the mover on the target),
for bots with rules of their own. An illegal move, a move out of turn, a
line without newline, a line over 256 bytes, closing output or exiting
loses.

{readings}

End: a side left with too few town halls loses, and so does a side to move
that has no legal move under --rules; the third occurrence of a position
with the same side to move is a draw; so is reaching the ply limit.

Results: "1-0" is a win for BLACK (player 1, who moves first), "0-1" a win
for WHITE, "1/2-1/2" a draw, "*" a game cut short because the referee was
stopped.

People: a side given as human is played at the terminal. Before each of
its moves the referee shows the board with the last move marked and both
clocks, also with --quiet, and reads one line from its standard input: a move
as the players write it, with or without the leading S ("0 5 M 0 4"), or
moves (the legal moves under the game's rules), help, or resign. A line that
is no legal move is refused with the reason and asked for again; it never
costs the game. End of input resigns. The person's clock runs like a
program's (--human-time sets it apart); human human has two people take
turns at one keyboard, and a pipe works as well as a terminal.

Watching: --delay pauses after each move is shown, so a game between two
programs can be followed; the pause runs on neither clock.

Players: each runs in a process group of its own, without core dumps. When
a game ends, the player and everything it started (also what left the
group) get end of input, then SIGTERM, then SIGKILL; nothing is left
running. SIGINT, SIGTERM or SIGHUP to the referee ends both players,
records the unfinished game with result "*", prints the score so far and
exits with 128 + the signal number.

Exit status: 0 when the game or match was played to a result, 1 when the
record or log could not be opened or written, 2 for usage errors, 3 when a player
could not be started, 128 + N when stopped by signal N.)";

// Fills the readings' differences, as the rules library words them, into
// the footer, wrapped to the width of the rest.
std::string footer() {
    std::string wrapped;
    std::size_t column = 0;
    std::istringstream words{std::string(rules::reading_differences())};
    for (std::string word; words >> word;) {
        if (column > 0 && column + 1 + word.size() > 76) {
            wrapped += '\n';
            column = 0;
        } else if (column > 0) {
            wrapped += ' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
    }
    std::string text = kFooter;
    text.replace(text.find("{readings}"), std::string_view("{readings}").size(), wrapped);
    return text;
}

// Every option is declared here once; the same declarations parse the
// command line and print --help, so the two cannot disagree.
struct Declared {
    Options options;
    int margin_ms = 0;
    int delay_ms = 0;
    int player_memory_mb = 0;
    int error_cap_kb = 1024;
    bool no_repetition = false;
    std::string rules_name = "either";
    std::string black_command;
    std::string white_command;
};

void declare(CLI::App& app, Declared& d) {
    app.description(kDescription);
    app.footer(footer());
    app.get_formatter()->column_width(26);
    GameConfig& game = d.options.game;
    // The default and the accepted range go into the help line itself, in
    // words, rather than CLI11's type annotations.
    const auto number = [&](const std::string& names, int& target, int low, int high,
                            const std::string& help) {
        app.add_option(names, target,
                       help + " (" + std::to_string(low) + " to " + std::to_string(high) +
                           ", default " + std::to_string(target) + ")")
            ->check(CLI::Range(low, high).description(""))
            ->type_name("N");
    };
    number("-r,--rows", game.rows, kMinRows, kMaxSide, "board rows");
    number("-c,--columns", game.columns, 2, kMaxSide, "board columns");
    number("-t,--time", game.time_seconds, 1, kMaxSeconds,
           "seconds for each side's whole game; also the fourth field of the header");
    number("--human-time", game.human_time_seconds, 0, kMaxSeconds,
           "seconds for a human side's whole game; 0 for --time. Programs' headers keep "
           "--time");
    number("--margin", d.margin_ms, 0, kMaxSeconds,
           "milliseconds a side may overstep its clock before it loses on time, to forgive "
           "pipe latency");
    number("-p,--plies", game.ply_limit, 1, kMaxSeconds, "the game is a draw after N plies");
    number("--town-halls", game.town_hall_limit, 0, kMaxSide,
           "a side left with N town halls or fewer loses");
    number("--player-memory", d.player_memory_mb, 0, kMaxSeconds,
           "megabytes of address space each player may use; 0 for no limit");
    app.add_option("--rules", d.rules_name,
                   "which rules a move must keep: either, treeplayer, gridplayer or squares "
                   "(default either; see below)")
        ->type_name("RULES")
        ->check(CLI::IsMember({"either", "treeplayer", "gridplayer", "squares"}));
    app.add_flag("--no-repetition", d.no_repetition,
                 "do not draw on the third repetition of a position")
        ->disable_flag_override();
    number("-g,--games", d.options.games, 1, kMaxSeconds,
           "play a match of N games, colours alternating, with a running score and a summary");
    const auto file = [&](const std::string& names, std::string& target, const std::string& help) {
        app.add_option(names, target, help)->type_name("FILE")->check([](const std::string& path) {
            return path.empty() ? std::string("needs a file name") : std::string();
        });
    };
    number("--stderr-limit", d.error_cap_kb, 0, kMaxSeconds,
           "kilobytes of each player's standard error the log keeps per game");
    app.add_option("--name-black", d.options.black_name,
                   "name of BLACK in results, records and logs (in a match, of the first "
                   "program, whatever colour it plays)")
        ->type_name("NAME");
    app.add_option("--name-white", d.options.white_name,
                   "name of WHITE (in a match, of the second program)")
        ->type_name("NAME");
    file("--record", d.options.record_path, "write the game record (tag pairs and moves) to FILE");
    file("--log", d.options.log_path,
         "write every line in both directions and the players' standard error to FILE, with "
         "timestamps; not the record's file");
    app.add_flag("-q,--quiet", d.options.quiet,
                 "show only the result lines, not the board (a human side still sees it before "
                 "its moves)")
        ->disable_flag_override();
    number("--delay", d.delay_ms, 0, kMaxSeconds,
           "milliseconds to wait after each move is shown, to follow a game; not with --quiet");
    app.add_flag("--no-color", d.options.no_color,
                 "no colours (also off when NO_COLOR is set or standard output is not a "
                 "terminal)")
        ->disable_flag_override();
    app.add_option("BLACK", d.black_command, "player 1's command: moves first, plays black")
        ->type_name("")
        ->required();
    app.add_option("WHITE", d.white_command, "player 2's command: plays white")
        ->type_name("")
        ->required();
}

// Whether two paths name one file, also through links; for files that do
// not exist yet, whether they resolve to the same path.
bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error))
        return true;
    bool resolved = true;
    const auto resolve = [&](const std::string& path) {
        std::error_code failed;
        auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(path), failed);
        resolved = resolved && !failed;
        return full;
    };
    const auto resolved_a = resolve(a);
    const auto resolved_b = resolve(b);
    return resolved && resolved_a == resolved_b;
}

}  // namespace

std::string help_text() {
    CLI::App app{"", "referee"};
    Declared ignored;
    declare(app, ignored);
    return app.help();
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
    const auto base = [](const std::string& path) {
        const auto slash = path.find_last_of('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    };
    // Interpreters are named for what they run: the first word after them
    // that is neither an option nor (for env) a variable setting.
    static const std::regex interpreter(
        "(env|python|pypy|perl|ruby|node|nodejs|bash|sh|dash|zsh|ksh|lua|luajit|php|Rscript|"
        "tclsh|java)[0-9.]*");
    std::size_t i = 0;
    while (i < words.size() && std::regex_match(base(words[i]), interpreter)) {
        std::size_t next = i + 1;
        while (next < words.size() &&
               (words[next].starts_with('-') || words[next].find('=') != std::string::npos))
            ++next;
        if (next == words.size())
            break;
        i = next;
    }
    return i < words.size() ? base(words[i]) : "";
}

ParsedCommandLine parse_command_line(const std::vector<std::string>& args) {
    CLI::App app{"", "referee"};
    Declared d;
    declare(app, d);
    try {
        // CLI11 takes its words last to first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return ShowHelp{};
    } catch (const CLI::ParseError& error) {
        return UsageError{error.what()};
    }
    Options options = d.options;
    options.game.margin = std::chrono::milliseconds(d.margin_ms);
    // The pause is for watching the board; with nothing shown it would only
    // slow the game down.
    options.game.delay = std::chrono::milliseconds(options.quiet ? 0 : d.delay_ms);
    options.game.repetition_draws = !d.no_repetition;
    options.game.rules = *rules::parse_rule_set(d.rules_name);
    if (!rules::applies(rules::Reading::Treeplayer, options.game.rows, options.game.columns) &&
        options.game.rules == rules::RuleSet::Treeplayer) {
        return UsageError{"--rules treeplayer needs an 8x8 board; treeplayer plays no other"};
    }
    options.game.player_memory_bytes = static_cast<std::size_t>(d.player_memory_mb) << 20U;
    options.error_cap = static_cast<std::size_t>(d.error_cap_kb) << 10U;
    for (const auto* text : {&d.black_command, &d.white_command}) {
        auto words = split_command(*text);
        if (!words)
            return UsageError{"unterminated quote in \"" + *text + "\""};
        if (words->empty())
            return UsageError{"empty player command"};
        (text == &d.black_command ? options.black : options.white) = *words;
    }
    if (options.black_name.empty())
        options.black_name = program_name(options.black);
    if (options.white_name.empty())
        options.white_name = program_name(options.white);
    if (!options.record_path.empty() && same_file(options.record_path, options.log_path)) {
        return UsageError{"--record and --log name the same file, " + options.log_path +
                          ": the log would overwrite the record"};
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
