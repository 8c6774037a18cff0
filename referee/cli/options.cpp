#include "referee/cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <utility>

#include "files/same_file.h"
#include "referee/cli/output_files.h"
#include "referee/formats/game_list.h"
#include "referee/match/paths.h"
#include "referee/process/player_ids.h"
#include "referee/process/sandbox.h"
#include "referee/seats/human.h"
#include "rules/board.h"
#include "rules/judge.h"
#include "rules/reading.h"
#include "text/printable.h"

namespace referee {
namespace {

// Bounds that keep every number sane for the game; the board's are the
// rules' (rules/board.h), and every side starts with at least one town hall
// more than the losing limit.
constexpr int kMaxSeconds = 1'000'000;
constexpr int kMaxPlies = 1'000'000;
constexpr int kMaxGames = 1'000'000;
constexpr int kMaxRounds = 1'000;  // per pairing, and the numbers of games in a run
constexpr int kMaxMegabytes = 1'000'000;
constexpr int kMaxKilobytes = 1'000'000;
constexpr int kMaxMilliseconds = 1'000'000;

constexpr int kMaxConcurrency = 256;
// Names go into one line of the record, the log and the results: long
// enough for any name, short enough for every reader's line limit.
constexpr std::size_t kMaxNameBytes = 1000;
constexpr int kDefaultPlayerProcesses = 256;
constexpr int kMaxPlayerProcesses = 100'000;

// A person's clock unless --human-time says otherwise: a quarter of an hour,
// or the programs' time when that is longer. A whole game in 150 s is a
// program's pace; a person thinks a minute over a move now and then.
constexpr int kHumanSeconds = 900;
// A bot's clock in --check: a few moves a second over a whole game.
constexpr int kCheckSeconds = 10;

constexpr const char* kDescription =
    R"(Plays games between programs: the first COMMAND is black; human is a person.)";

constexpr const char* kFooter =
    R"(Results read from black's side: 1-0, 0-1, 1/2-1/2, * for a game cut short.
Clocks, end reasons, results, exit statuses: docs/referee.md; rules: docs/rules.md.)";

// What an option says, declared with it: --schedule, resuming and the
// run's description in each results line all follow from it.
enum class Role {
    // How each game is played (board, clocks, limits, rules): a split run's
    // jobs repeat it, and a run resumes only with the same value.
    Played,
    // How games are shown or where players may write: the jobs repeat it,
    // and a run may resume with another value.
    Shown,
    // The run itself (its players, games, files): --schedule writes each
    // job's own.
    Run,
};

// Every option is declared here once, with its role; the same declarations
// parse the command line and print --help, so the two cannot disagree.
struct Declared {
    Options options;
    int margin_ms = 0;
    int delay_ms = 0;
    int player_memory_mb = 0;
    int error_cap_kb = 1024;
    bool no_repetition = false;
    bool ponder = false;
    std::string player_uids;
    std::vector<std::string> player_env;
    std::string time = "150";
    double move_time = 0;
    std::string sprt;
    std::string only_game;
    bool merge = false;
    std::string black_name;
    std::string white_name;
    std::vector<std::string> names;
    std::vector<std::string> commands;
    CLI::Option* name_option = nullptr;
    CLI::Option* command_option = nullptr;
    std::map<std::string, Role> roles;  // by the option's name
    std::set<std::string> paths;        // options whose values are paths

    CLI::Option* as(Role role, CLI::Option* option) {
        roles[option->get_name()] = role;
        return option;
    }
};

// Declares options into `app`, each with its role in `d`.
struct Declaring {
    CLI::App& app;
    Declared& d;

    CLI::Option* as(Role role, CLI::Option* option) { return d.as(role, option); }

    // A path: made absolute wherever a split run's jobs repeat it.
    CLI::Option* path(Role role, CLI::Option* option) {
        d.paths.insert(option->get_name());
        return as(role, option);
    }

    // The default and the accepted range go into the help line itself, in
    // words, rather than CLI11's type annotations.
    void number(Role role, const std::string& names, int& target, int low, int high,
                const std::string& help) {
        as(role, app.add_option(names, target,
                                help + " (" + std::to_string(low) + " to " + std::to_string(high) +
                                    ", default " + std::to_string(target) + ")")
                     ->check(CLI::Range(low, high).description(""))
                     ->type_name("N"));
    }

    // A flag takes no value: "--quiet=yes" is refused rather than read.
    void flag(Role role, const std::string& names, bool& target, const std::string& help) {
        as(role, app.add_flag(names, target, help)->disable_flag_override());
    }

    // An option whose value is one of `values`, each spelled as `name`
    // spells it beside its type: the help line, the check and the value all
    // take the names from there.
    template <typename T, typename Name>
    void choice(Role role, const std::string& names, T& target, std::vector<T> values, Name name,
                const std::string& type, const std::string& help) {
        std::vector<std::string> words(values.size());
        std::transform(values.begin(), values.end(), words.begin(), name);
        const std::string fallback = name(target);
        as(role, app.add_option_function<std::string>(
                        names,
                        [&target, values, name](const std::string& given) {
                            for (const T value : values) {
                                if (given == name(value))
                                    target = value;
                            }
                        },
                        spelled(words) + ": " + help + " (default " + fallback + ")")
                     ->check(CLI::IsMember(words).description(""))
                     ->type_name(type));
    }

    // A file or folder the run writes, as its row in kOutputFiles says.
    void output(const char* option) {
        const OutputOption& row = output_option(option);
        const std::string missing = row.folder ? "needs a folder name" : "needs a file name";
        path(row.job == InJob::Repeated ? Role::Shown : Role::Run,
             app.add_option(row.option, d.options.*row.path, row.help)
                 ->type_name(row.folder ? "DIR" : "FILE")
                 ->check([missing](const std::string& given) {
                     return given.empty() ? missing : std::string();
                 }));
    }
};

void declare_board_and_clocks(Declaring& on) {
    using enum Role;
    GameConfig& game = on.d.options.game;
    on.number(Played, "-r,--rows", game.rows, rules::kMinRows, rules::kMaxSide, "board rows");
    on.number(Played, "-c,--columns", game.columns, rules::kMinColumns, rules::kMaxSide,
              "board columns");
    on.as(
        Played,
        on.app
            .add_option("-t,--time", on.d.time,
                        "seconds for each side's whole game (1 to " + std::to_string(kMaxSeconds) +
                            ", default 150), +INC: seconds added after each move, e.g. 150+2")
            ->type_name("S[+INC]"));
    on.as(Played, on.app
                      .add_option("--move-time", on.d.move_time,
                                  "the most any single move may take, in seconds (decimals "
                                  "allowed); default: no bound")
                      ->check(CLI::Range(0.001, double{kMaxSeconds}).description(""))
                      ->type_name("SECONDS"));
    on.as(Played,
          on.app
              .add_option("--human-time", game.human_time_seconds,
                          "seconds for a person's whole game (0 to " + std::to_string(kMaxSeconds) +
                              ", default " + std::to_string(kHumanSeconds) +
                              " or --time when longer; 0: --time)")
              ->check(CLI::Range(0, kMaxSeconds).description(""))
              ->type_name("N"));
    on.number(Played, "--margin", on.d.margin_ms, 0, kMaxMilliseconds,
              "milliseconds a side may overstep its clock before it loses on time");
    on.number(Played, "-p,--plies", game.ply_limit, 1, kMaxPlies,
              "the game is a draw after N plies");
    on.number(Played, "--town-halls", game.town_hall_limit, 0, rules::kMaxSide,
              "a side left with N town halls or fewer loses");
}

// What each player may use, and what its moves cost.
void declare_player_bounds(Declaring& on) {
    using enum Role;
    on.number(Played, "--player-memory", on.d.player_memory_mb, 0, kMaxMegabytes,
              "megabytes each player may use, its processes, /tmp and /dev/shm together; 0 for "
              "no limit");
    Confinement& confinement = on.d.options.confinement;
    confinement.max_processes = kDefaultPlayerProcesses;
    confinement.cpus = 1;
    on.number(Played, "--player-processes", confinement.max_processes, 0, kMaxPlayerProcesses,
              "processes and threads each player may have at once; 0 for no bound");
    on.as(Played, on.app
                      .add_option("--player-cpus", confinement.cpus,
                                  "CPUs' worth of time each player may use at once (0.01 to "
                                  "256, default 1; decimals allowed)")
                      ->check(CLI::Range(0.01, 256.0).description(""))
                      ->type_name("N"));
    on.flag(Played, "--ponder", on.d.ponder,
            "let a player think while its opponent is to move (default: it is frozen)");
    on.choice(Played, "--clock", on.d.options.game.clock, {ClockKind::Wall, ClockKind::Cpu},
              clock_kind_name, "KIND",
              "what a move costs, the time it took or the CPU time the player used");
}

// What each player sees, and as whom it runs.
void declare_sandbox(Declaring& on) {
    using enum Role;
    SandboxSettings& sandbox = on.d.options.confinement.sandbox;
    on.choice(Shown, "--sandbox", on.d.options.sandbox,
              {SandboxMode::Auto, SandboxMode::On, SandboxMode::Off}, sandbox_mode_name, "WHEN",
              "each player in a bubblewrap sandbox, with auto wherever bwrap works "
              "(docs/sandbox.md)");
    on.path(Shown, on.app
                       .add_option("--player-dir", sandbox.player_dirs,
                                   "a folder sandboxed players may write to (repeatable)")
                       ->type_name("DIR")
                       ->check(CLI::ExistingDirectory.description("")));
    on.path(Shown, on.app
                       .add_option("--player-see", sandbox.see_paths,
                                   "a file or folder sandboxed players may read (repeatable)")
                       ->type_name("PATH")
                       ->check(CLI::ExistingPath.description("")));
    on.as(Played, on.app
                      .add_option("--player-env", on.d.player_env,
                                  "NAME=VALUE, or NAME for the referee's value: a variable for "
                                  "the players (repeatable)")
                      ->type_name("VAR"));
    on.as(Shown, on.app
                     .add_option("--player-uids", on.d.player_uids,
                                 "as root: the user ids players run under, one per player "
                                 "(default " +
                                     std::to_string(kFirstPlayerId) + "-" +
                                     std::to_string(kLastPlayerId) + ")")
                     ->type_name("FIRST-LAST")
                     // Rarely needed: in docs/referee.md, to keep the help to a screen.
                     ->group(""));
}

void declare_rules(Declaring& on) {
    on.choice(Role::Played, "--rules", on.d.options.game.rules,
              {rules::RuleSet::Either, rules::RuleSet::Treeplayer, rules::RuleSet::Gridplayer,
               rules::RuleSet::Squares},
              rules::rule_set_name, "RULES", "the rules a move must keep");
    on.flag(Role::Played, "--no-repetition", on.d.no_repetition,
            "do not draw on the third repetition of a position");
}

void declare_tournament(Declaring& on) {
    using enum Role;
    Options& options = on.d.options;
    on.number(Run, "-g,--games", options.games, 1, kMaxGames,
              "games per pairing, colours alternating");
    on.choice(Run, "--tournament", options.kind,
              {TournamentKind::RoundRobin, TournamentKind::Gauntlet, TournamentKind::Swiss},
              tournament_kind_name, "KIND",
              "every pair meets in a round-robin, the first meets each other in a "
              "gauntlet, players of equal score meet in each of --rounds in a swiss");
    on.number(Run, "--rounds", options.rounds, 0, kMaxRounds, "a swiss tournament's rounds");
    on.number(Run, "--concurrency", options.concurrency, 1, kMaxConcurrency,
              "games played side by side, without boards");
    on.as(Run, on.app
                   .add_option("--sprt", on.d.sprt,
                               "\"elo0=A elo1=B alpha=X beta=Y\": stop a match of two once the "
                               "SPRT decides")
                   ->type_name(""));
}

// A run split into jobs and merged back, what it publishes, and a check.
void declare_split_runs(Declaring& on) {
    using enum Role;
    on.output("--results");
    on.flag(Run, "--schedule", on.d.options.schedule,
            "print one referee command per game (or per --batch) instead of playing (needs "
            "--results)");
    on.as(Run, on.app
                   .add_option("--batch", on.d.options.batch,
                               "with --schedule: K games a job; {batch} in a file name is the "
                               "job's number")
                   ->check(CLI::Range(1, kMaxGames).description(""))
                   ->type_name("K"));
    on.as(Run, on.app
                   .add_option("--only-game", on.d.only_game,
                               "play only these games of the schedule (K, A-B or a list: "
                               "1,4,7-9), numbered as in the whole run")
                   ->type_name("GAMES"));
    on.flag(Run, "--merge", on.d.merge,
            "the arguments are results files: print their standings and statistics");
    on.output("--site");
    on.output("--crosstable");
    on.flag(Run, "--check", on.d.options.check,
            "check the one COMMAND, a bot, against randombot as black and as white: a "
            "checklist of what it does right and wrong (--time 10 unless given)");
}

// The players' names, and what the run keeps of each game.
void declare_names_and_logs(Declaring& on) {
    using enum Role;
    Declared& d = on.d;
    on.number(Shown, "--stderr-limit", d.error_cap_kb, 0, kMaxKilobytes,
              "kilobytes of each player's standard error the log keeps per game");
    d.name_option = on.as(Run, on.app
                                   .add_option("--name", d.names,
                                               "name of the player whose command comes next "
                                               "(default: the program's name)")
                                   ->type_name("NAME")
                                   ->allow_extra_args(false));
    on.as(Run, on.app
                   .add_option("--name-black", d.black_name,
                               "with two players: name of the first (player 1 in game 1)")
                   ->type_name("NAME"));
    on.as(Run,
          on.app.add_option("--name-white", d.white_name, "with two players: name of the second")
              ->type_name("NAME"));
    on.output("--record");
    on.output("--log");
    on.output("--player-logs");
}

// What the terminal shows of the run.
void declare_display(Declaring& on) {
    using enum Role;
    Options& options = on.d.options;
    on.flag(Run, "--progress", options.progress,
            "a line as each game starts and ends, with games done, time and points so far");
    on.number(Run, "--standings-every", options.standings_every, 0, kMaxGames,
              "print the standings after every N games; 0 for never");
    on.flag(Shown, "-q,--quiet", options.quiet, "show only the result lines, not the board");
    on.number(Shown, "--delay", on.d.delay_ms, 0, kMaxMilliseconds,
              "milliseconds to wait after each move is shown");
    on.flag(Shown, "--watch", options.watch,
            "redraw the board in place on a terminal, the latest results below it");
    on.flag(Shown, "--no-color", options.no_color,
            "no colours (also when NO_COLOR is set or output is no terminal)");
}

// The board in the browser (docs/browser.md).
void declare_serve(Declaring& on) {
    on.as(Role::Run, on.app
                         .add_option("--serve", on.d.options.serve_port,
                                     "serve the board in the browser on PORT of this machine (0: "
                                     "any free port) instead of playing: its page plays the "
                                     "COMMANDs against a person or each other; prints the "
                                     "page's address with its access token")
                         ->check(CLI::Range(0, 65535).description(""))
                         ->type_name("PORT"));
    on.as(Role::Run, on.app
                         .add_option("--serve-address", on.d.options.serve_address,
                                     "the address --serve listens on (default 127.0.0.1, this "
                                     "machine only)")
                         ->type_name("ADDRESS"));
}

// Players from a folder of submissions (docs/tournaments.md).
void declare_field(Declaring& on) {
    FieldOptions& field = on.d.options.field;
    on.as(Role::Run, on.app
                         .add_option("--field", field.dir,
                                     "every folder in DIR with an executable run is a player "
                                     "named after it, started as ./run there, after the "
                                     "COMMANDs; an executable build beside it runs first, and a "
                                     "player whose build fails is left out "
                                     "(docs/tournaments.md)")
                         ->type_name("DIR")
                         ->check(CLI::ExistingDirectory.description("")));
    on.number(Role::Run, "--build-time", field.build_seconds, 1, kMaxSeconds,
              "seconds a submission's build may take");
    // Only for --field: in docs/referee.md, to keep the help to a screen.
    on.app.get_option("--build-time")->group("");
}

// An option without a role would silently count as changing how games are
// played, and an output without its option could be neither given nor
// checked: every parse of the command line refuses to run without either.
void check_declarations(const CLI::App& app, const Declared& d) {
    for (const CLI::Option* option : app.get_options()) {
        if (option != app.get_help_ptr() && d.roles.count(option->get_name()) == 0)
            throw std::logic_error("the option " + option->get_name() + " has no role");
    }
    for (const OutputOption& output : kOutputFiles) {
        if (d.paths.count(output.option) == 0)
            throw std::logic_error(std::string("the output ") + output.option + " is not declared");
    }
}

// In the order --help lists them.
void declare(CLI::App& app, Declared& d) {
    app.description(kDescription);
    app.footer(kFooter);
    app.get_formatter()->column_width(26);
    Declaring on{app, d};
    declare_board_and_clocks(on);
    declare_player_bounds(on);
    declare_sandbox(on);
    declare_rules(on);
    declare_tournament(on);
    declare_split_runs(on);
    declare_names_and_logs(on);
    declare_display(on);
    declare_serve(on);
    declare_field(on);
    d.command_option =
        d.as(Role::Run, app.add_option("COMMAND", d.commands,
                                       "player commands, split like a shell would: two for a "
                                       "game or a match, more for a tournament")
                            ->type_name(""));
    check_declarations(app, d);
}

// "150" or "150+2.5": a time control without its bound per move, which
// --move-time gives; whole seconds for the header.
std::optional<records::TimeControl> parse_time(const std::string& text) {
    const auto control = records::parse_time_control(text);
    if (!control || control->move_seconds > 0 || control->seconds < 1 ||
        control->seconds > kMaxSeconds || control->increment > kMaxSeconds)
        return std::nullopt;
    return control;
}

// --sprt's pairs may come as separate words: gathered into one, so that the
// option takes one value and can never swallow a player command.
std::vector<std::string> join_sprt_words(const std::vector<std::string>& args) {
    static const std::regex pair("(elo0|elo1|alpha|beta)=.*");
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        out.push_back(args[i]);
        if (args[i] == "--") {
            out.insert(out.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (args[i] != "--sprt")
            continue;
        std::string joined;
        while (i + 1 < args.size() && std::regex_match(args[i + 1], pair))
            joined += (joined.empty() ? "" : " ") + args[++i];
        if (!joined.empty())
            out.push_back(joined);
    }
    return out;
}

// The words of every game option given, for --schedule to repeat (paths
// made absolute, for jobs run anywhere); with `played_only` only those that
// decide how games are played.
std::vector<std::string> given_game_options(const CLI::App& app, const Declared& d,
                                            bool played_only) {
    std::vector<std::string> words;
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        const auto role = d.roles.find(name);
        if (option->count() == 0 || role == d.roles.end() || role->second == Role::Run ||
            (played_only && role->second == Role::Shown))
            continue;
        if (option->get_items_expected_max() == 0) {
            words.push_back(name);
            continue;
        }
        for (const auto& value : option->results())
            words.insert(words.end(),
                         {name, d.paths.count(name) > 0 ? absolute_path(value) : value});
    }
    return words;
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

namespace {

// Each --name names the command that follows it; CLI11 keeps the order in
// which it took options and positionals, so the two can be matched.
std::variant<std::vector<Player>, std::string> named_commands(const CLI::App& app,
                                                              const Declared& d) {
    std::vector<Player> players;
    std::optional<std::string> pending;
    std::size_t names_taken = 0;
    for (const CLI::Option* option : app.parse_order()) {
        if (option == d.name_option) {
            if (pending)
                return "--name " + text::quote(*pending) +
                       " names no player: give it before a command";
            pending = d.names[names_taken++];
        } else if (option == d.command_option) {
            const std::string& text = d.commands[players.size()];
            auto words = split_command(text);
            if (!words)
                return "unterminated quote in " + text::quote(text);
            if (words->empty())
                return std::string("empty player command");
            // A name made from a file name may hold anything a file name can.
            players.push_back(
                {pending ? *pending : text::printable(program_name(*words)), text, *words});
            pending.reset();
        }
    }
    if (pending)
        return "--name " + text::quote(*pending) + " names no player: give it before a command";
    return players;
}

// A name shows up on terminals and in every file of the run, so it may not
// hold anything that could pass for other output there.
std::optional<std::string> check_name(const std::string& option, const std::string& name) {
    if (text::has_control(name)) {
        return option + " " + text::quote(name) +
               ": a name may not hold control characters or bytes that are not UTF-8";
    }
    if (name.size() > kMaxNameBytes)
        return option + ": a name may be at most " + std::to_string(kMaxNameBytes) + " bytes long";
    return std::nullopt;
}

// A check plays two games of its own against randombot and writes no
// files: an option about a run of games would be silently ignored.
std::optional<std::string> refused_with_check(const CLI::App& app) {
    std::vector<std::string> refused{"--merge",       "--serve", "--schedule",
                                     "--only-game",   "--games", "--tournament",
                                     "--concurrency", "--sprt",  "--field"};
    for (const OutputOption& output : kOutputFiles) {
        if (!output.with_check)
            refused.emplace_back(output.option);
    }
    for (const std::string& option : refused) {
        if (app.count(option) > 0)
            return "--check plays two games of its own and writes no files: no " + option;
    }
    return std::nullopt;
}

// A field run builds before it plays: it cannot be split into jobs or
// served, and the players it shows must not see its files.
std::optional<std::string> check_field(const Options& options, bool only_game) {
    const std::size_t count = options.players.size() + find_submissions(options.field.dir).size();
    if (count < 2) {
        return "give at least two players: " + text::quote(options.field.dir, 200) +
               " holds no folder with an executable run file, or only one";
    }
    if (options.schedule || only_game || options.serve_port >= 0 || options.sprt)
        return std::string("--field goes with none of --schedule, --only-game, --serve, --sprt");
    return check_outside_field(options);
}

std::optional<std::string> check_player_log_names(const Options& options) {
    if (options.player_logs_dir.empty())
        return std::nullopt;
    for (const auto& player : options.players) {
        if (player.name.empty() || player.name == "." || player.name == ".." ||
            player.name.find('/') != std::string::npos)
            return "--player-logs: the name " + text::quote(player.name) +
                   " cannot name a folder; give the player another with --name";
    }
    return std::nullopt;
}

// How the games of a split run, a swiss tournament or a person's run are
// played together.
std::optional<std::string> check_split_run(const Options& options) {
    const bool split = options.schedule || !options.only_games.empty();
    if (split && options.sprt)
        return "a split run cannot stop early: give --sprt to --merge instead";
    if (auto problem = check_merged_outputs(options))
        return problem;
    const bool person = std::any_of(options.players.begin(), options.players.end(),
                                    [](const Player& p) { return is_human(p.argv); });
    if (person && (options.concurrency > 1 || options.schedule))
        return "a person plays one game at a time: no --concurrency or --schedule with human";
    if (options.schedule && !options.only_games.empty())
        return "--schedule and --only-game do not go together";
    const bool swiss = options.kind == TournamentKind::Swiss;
    if (swiss != (options.rounds > 0))
        return swiss ? "--tournament swiss needs --rounds N" : "--rounds is for --tournament swiss";
    const std::string& results = options.results_path;
    if (swiss && (options.batch > 0 || per_game(results) || per_batch(results)))
        return "a swiss round is paired from the games before it: its jobs share one --results "
               "file, without --batch";
    return std::nullopt;
}

std::optional<std::string> check_run(const Options& options) {
    if (options.sprt && options.players.size() != 2)
        return "--sprt needs exactly two players";
    if (options.schedule && options.results_path.empty())
        return "--schedule needs --results: the file every game appends its line to";
    if (auto problem = check_own_files(options))
        return problem;
    if (auto problem = check_player_log_names(options))
        return problem;
    if (auto problem = check_job_names(options))
        return problem;
    return check_split_run(options);
}

// The words CLI11 takes, or what the command line asks instead of a run.
std::optional<ParsedCommandLine> parse_words(CLI::App& app, const std::vector<std::string>& args) {
    try {
        // CLI11 takes its words last to first.
        const std::vector<std::string> joined = join_sprt_words(args);
        std::vector<std::string> reversed(joined.rbegin(), joined.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return ShowHelp{};
    } catch (const CLI::ParseError& error) {
        return UsageError{error.what()};
    }
    return std::nullopt;
}

// What every command line is checked for, a merge's too.
std::optional<std::string> read_names_and_sprt(const CLI::App& app, const Declared& d,
                                               Options& options) {
    if (options.check) {
        if (auto problem = refused_with_check(app))
            return problem;
    }
    for (const auto& name : d.names) {
        if (auto problem = check_name("--name", name))
            return problem;
    }
    if (auto problem = check_name("--name-black", d.black_name))
        return problem;
    if (auto problem = check_name("--name-white", d.white_name))
        return problem;
    if (!d.sprt.empty()) {
        auto sprt = parse_sprt({d.sprt});
        if (auto* message = std::get_if<std::string>(&sprt))
            return *message;
        options.sprt = std::get<SprtSettings>(sprt);
    }
    return std::nullopt;
}

std::optional<std::string> read_merge(const Declared& d, Options& options) {
    if (d.commands.empty())
        return "--merge needs at least one results file";
    options.merge_paths = d.commands;
    return check_files(options);
}

// The clocks and how a game is shown and judged.
std::optional<std::string> read_game(const CLI::App& app, const Declared& d, Options& options) {
    GameConfig& game = options.game;
    const auto time = parse_time(d.time);
    if (!time) {
        return "--time takes whole seconds from 1 to " + std::to_string(kMaxSeconds) +
               ", optionally +INC seconds per move (e.g. 150+2), not \"" + d.time + "\"";
    }
    game.time_control = *time;
    game.time_control.move_seconds = d.move_time;
    if (app.count("--human-time") == 0)
        game.human_time_seconds = std::max(kHumanSeconds, time->seconds);
    game.margin = std::chrono::milliseconds(d.margin_ms);
    // The pause is for watching the board; with nothing shown it would only
    // slow the game down.
    game.delay = std::chrono::milliseconds(options.quiet ? 0 : d.delay_ms);
    game.repetition_draws = !d.no_repetition;
    if (!rules::applies(rules::Reading::Treeplayer, game.rows, game.columns) &&
        game.rules == rules::RuleSet::Treeplayer) {
        return "--rules treeplayer needs an 8x8 board; treeplayer plays no other";
    }
    return std::nullopt;
}

// "NAME=VALUE" or "NAME": the variables given to the players.
std::optional<std::string> read_player_env(const Declared& d, Confinement& confinement) {
    for (const auto& entry : d.player_env) {
        const auto name_end = entry.find('=');
        const std::string name = entry.substr(0, name_end);
        if (name.empty() ||
            name.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
                std::string::npos)
            return "--player-env takes NAME or NAME=VALUE, not \"" + entry + "\"";
        const char* value = std::getenv(name.c_str());
        if (name_end != std::string::npos)
            confinement.environment.push_back(entry);
        else if (value != nullptr)
            confinement.environment.push_back(name + "=" + value);
    }
    return std::nullopt;
}

// What each player may use and see, and as whom it runs.
std::optional<std::string> read_confinement(const Declared& d, Options& options) {
    Confinement& confinement = options.confinement;
    confinement.memory_bytes = static_cast<std::size_t>(d.player_memory_mb) << 20U;
    options.game.cpus = confinement.cpus;
    options.game.freeze_waiting = !d.ponder;
    // bwrap binds a folder at an absolute path.
    for (auto* paths : {&confinement.sandbox.player_dirs, &confinement.sandbox.see_paths}) {
        for (auto& dir : *paths) {
            std::error_code error;
            const auto absolute = std::filesystem::weakly_canonical(dir, error);
            if (!error)
                dir = absolute.string();
        }
    }
    if (!d.player_uids.empty()) {
        const auto range = parse_id_range(d.player_uids);
        if (!range)
            return "--player-uids takes FIRST-LAST, user ids from 1 with FIRST <= LAST, not \"" +
                   d.player_uids + "\"";
        confinement.ids = *range;
    }
    if (auto problem = read_player_env(d, confinement))
        return problem;
    options.error_cap = static_cast<std::size_t>(d.error_cap_kb) << 10U;
    return std::nullopt;
}

// --serve: the page offers a person itself, and plays programs against
// each other or themselves, so one command is enough.
std::optional<std::string> check_serve(const Options& options) {
    if (options.players.empty())
        return "--serve needs at least one player command to offer";
    if (std::any_of(options.players.begin(), options.players.end(),
                    [](const Player& p) { return is_human(p.argv); }))
        return "with --serve the page offers human itself: give programs only";
    return std::nullopt;
}

std::optional<std::string> read_check(const CLI::App& app, Options& options) {
    if (options.players.size() != 1 || is_human(options.players[0].argv))
        return "--check takes one command: the bot to check";
    // A check takes seconds, not the minutes of a tournament's clocks.
    if (app.count("--time") == 0)
        options.game.time_control.seconds = kCheckSeconds;
    return std::nullopt;
}

// A run of games: who plays, which games, and where it writes.
std::optional<std::string> read_run(const CLI::App& app, const Declared& d, Options& options) {
    if (options.field.dir.empty() && options.players.size() < 2)
        return "give at least two player commands";
    for (const auto& [given, index] : {std::pair{&d.black_name, 0}, std::pair{&d.white_name, 1}}) {
        if (given->empty())
            continue;
        if (options.players.size() != 2)
            return "--name-black and --name-white are for two players; use --name";
        options.players[static_cast<std::size_t>(index)].name = *given;
    }
    if (!d.only_game.empty()) {
        auto games = parse_game_list(d.only_game, total_games(options));
        if (auto* message = std::get_if<std::string>(&games))
            return "--only-game " + *message;
        options.only_games = std::move(std::get<std::vector<int>>(games));
    }
    for (const auto check : {check_run, check_files, check_hidden_outputs}) {
        if (auto problem = check(options))
            return problem;
    }
    // Black starts with the fewer town halls, and must start above the
    // losing limit.
    const int black_halls = rules::starting_town_halls(rules::Side::Black, options.game.columns);
    if (black_halls <= options.game.town_hall_limit) {
        return "with " + std::to_string(options.game.columns) + " columns black starts with " +
               std::to_string(black_halls) + " town halls, so --town-halls must be below that";
    }
    options.game_options = given_game_options(app, d, false);
    options.run_options = given_game_options(app, d, true);
    options.job_files = job_file_words(options);
    return std::nullopt;
}

// Everything after the words are taken, in the order the problems are
// reported in: the first one found is the usage error.
std::optional<std::string> read_options(const CLI::App& app, const Declared& d, Options& options) {
    if (auto problem = read_names_and_sprt(app, d, options))
        return problem;
    if (d.merge)
        return read_merge(d, options);
    if (auto problem = read_game(app, d, options))
        return problem;
    if (auto problem = read_confinement(d, options))
        return problem;
    auto players = named_commands(app, d);
    if (auto* message = std::get_if<std::string>(&players))
        return *message;
    options.players = std::move(std::get<std::vector<Player>>(players));
    if (!options.field.dir.empty()) {
        if (auto problem = check_field(options, !d.only_game.empty()))
            return problem;
    }
    if (options.serve_port >= 0)
        return check_serve(options);
    if (options.check)
        return read_check(app, options);
    return read_run(app, d, options);
}

}  // namespace

ParsedCommandLine parse_command_line(const std::vector<std::string>& args) {
    CLI::App app{"", "referee"};
    Declared d;
    declare(app, d);
    if (auto stop = parse_words(app, args))
        return *stop;
    Options options = d.options;
    if (auto problem = read_options(app, d, options))
        return UsageError{*problem};
    return options;
}

}  // namespace referee
