#include "referee/cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <regex>
#include <stdexcept>
#include <utility>

#include "referee/common/files.h"
#include "referee/common/text.h"
#include "referee/match/game_list.h"
#include "referee/match/paths.h"
#include "referee/process/player_ids.h"
#include "referee/process/player_view.h"
#include "referee/process/sandbox.h"
#include "referee/seats/human.h"
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

    CLI::Option* as(Role role, CLI::Option* option) {
        roles[option->get_name()] = role;
        return option;
    }
};

// "a, b or c"
std::string spelled(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

// An option whose value is one of `values`, each spelled as `name` spells
// it beside its type: the help line, the check and the value
// all take the names from there.
template <typename T, typename Name>
CLI::Option* choice(CLI::App& app, const std::string& names, T& target, std::vector<T> values,
                    Name name, const std::string& type, const std::string& help) {
    std::vector<std::string> words(values.size());
    std::transform(values.begin(), values.end(), words.begin(), name);
    const std::string fallback = name(target);
    return app
        .add_option_function<std::string>(
            names,
            [&target, values, name](const std::string& given) {
                for (const T value : values) {
                    if (given == name(value))
                        target = value;
                }
            },
            spelled(words) + ": " + help + " (default " + fallback + ")")
        ->check(CLI::IsMember(words).description(""))
        ->type_name(type);
}

void declare(CLI::App& app, Declared& d) {
    app.description(kDescription);
    app.footer(kFooter);
    app.get_formatter()->column_width(26);
    GameConfig& game = d.options.game;
    using enum Role;
    // The default and the accepted range go into the help line itself, in
    // words, rather than CLI11's type annotations.
    const auto number = [&](Role role, const std::string& names, int& target, int low, int high,
                            const std::string& help) {
        d.as(role,
             app.add_option(names, target,
                            help + " (" + std::to_string(low) + " to " + std::to_string(high) +
                                ", default " + std::to_string(target) + ")")
                 ->check(CLI::Range(low, high).description(""))
                 ->type_name("N"));
    };
    // A flag takes no value: "--quiet=yes" is refused rather than read.
    const auto flag = [&](Role role, const std::string& names, bool& target,
                          const std::string& help) {
        d.as(role, app.add_flag(names, target, help)->disable_flag_override());
    };
    number(Played, "-r,--rows", game.rows, kMinRows, kMaxSide, "board rows");
    number(Played, "-c,--columns", game.columns, 2, kMaxSide, "board columns");
    d.as(Played,
         app.add_option("-t,--time", d.time,
                        "seconds for each side's whole game (1 to " + std::to_string(kMaxSeconds) +
                            ", default 150), +INC: seconds added after each move, e.g. "
                            "150+2")
             ->type_name("S[+INC]"));
    d.as(Played, app.add_option("--move-time", d.move_time,
                                "the most any single move may take, in seconds (decimals allowed); "
                                "default: no bound")
                     ->check(CLI::Range(0.001, double{kMaxSeconds}).description(""))
                     ->type_name("SECONDS"));
    d.as(Played,
         app.add_option("--human-time", game.human_time_seconds,
                        "seconds for a person's whole game (0 to " + std::to_string(kMaxSeconds) +
                            ", default " + std::to_string(kHumanSeconds) +
                            " or --time when longer; 0: --time)")
             ->check(CLI::Range(0, kMaxSeconds).description(""))
             ->type_name("N"));
    number(Played, "--margin", d.margin_ms, 0, kMaxMilliseconds,
           "milliseconds a side may overstep its clock before it loses on time");
    number(Played, "-p,--plies", game.ply_limit, 1, kMaxPlies, "the game is a draw after N plies");
    number(Played, "--town-halls", game.town_hall_limit, 0, kMaxSide,
           "a side left with N town halls or fewer loses");
    number(Played, "--player-memory", d.player_memory_mb, 0, kMaxMegabytes,
           "megabytes each player may use, its processes, /tmp and /dev/shm together; 0 for "
           "no limit");
    Confinement& confinement = d.options.confinement;
    confinement.max_processes = kDefaultPlayerProcesses;
    confinement.cpus = 1;
    number(Played, "--player-processes", confinement.max_processes, 0, kMaxPlayerProcesses,
           "processes and threads each player may have at once; 0 for no bound");
    d.as(Played, app.add_option("--player-cpus", confinement.cpus,
                                "CPUs' worth of time each player may use at once (0.01 to 256, "
                                "default 1; decimals allowed)")
                     ->check(CLI::Range(0.01, 256.0).description(""))
                     ->type_name("N"));
    flag(Played, "--ponder", d.ponder,
         "let a player think while its opponent is to move (default: it is frozen)");
    d.as(Played,
         choice(app, "--clock", game.clock, {ClockKind::Wall, ClockKind::Cpu}, clock_kind_name,
                "KIND", "what a move costs, the time it took or the CPU time the player used"));
    d.as(Shown,
         choice(app, "--sandbox", d.options.sandbox,
                {SandboxMode::Auto, SandboxMode::On, SandboxMode::Off}, sandbox_mode_name, "WHEN",
                "each player in a bubblewrap sandbox, with auto wherever bwrap works "
                "(docs/sandbox.md)"));
    d.as(Shown, app.add_option("--player-dir", confinement.sandbox.player_dirs,
                               "a folder sandboxed players may write to (repeatable)")
                    ->type_name("DIR")
                    ->check(CLI::ExistingDirectory.description("")));
    d.as(Shown, app.add_option("--player-see", confinement.sandbox.see_paths,
                               "a file or folder sandboxed players may read (repeatable)")
                    ->type_name("PATH")
                    ->check(CLI::ExistingPath.description("")));
    d.as(Played, app.add_option("--player-env", d.player_env,
                                "NAME=VALUE, or NAME for the referee's value: a variable for the "
                                "players (repeatable)")
                     ->type_name("VAR"));
    d.as(Shown, app.add_option("--player-uids", d.player_uids,
                               "as root: the user ids players run under, one per player (default " +
                                   std::to_string(kFirstPlayerId) + "-" +
                                   std::to_string(kLastPlayerId) + ")")
                    ->type_name("FIRST-LAST")
                    // Rarely needed: in docs/referee.md, to keep the help to a screen.
                    ->group(""));
    d.as(Played, choice(app, "--rules", game.rules,
                        {rules::RuleSet::Either, rules::RuleSet::Treeplayer,
                         rules::RuleSet::Gridplayer, rules::RuleSet::Squares},
                        rules::rule_set_name, "RULES", "the rules a move must keep"));
    flag(Played, "--no-repetition", d.no_repetition,
         "do not draw on the third repetition of a position");
    number(Run, "-g,--games", d.options.games, 1, kMaxGames,
           "games per pairing, colours alternating");
    d.as(Run, choice(app, "--tournament", d.options.kind,
                     {TournamentKind::RoundRobin, TournamentKind::Gauntlet, TournamentKind::Swiss},
                     tournament_kind_name, "KIND",
                     "every pair meets in a round-robin, the first meets each other in a "
                     "gauntlet, players of equal score meet in each of --rounds in a swiss"));
    number(Run, "--rounds", d.options.rounds, 0, kMaxRounds, "a swiss tournament's rounds");
    number(Run, "--concurrency", d.options.concurrency, 1, kMaxConcurrency,
           "games played side by side, without boards");
    d.as(Run, app.add_option("--sprt", d.sprt,
                             "\"elo0=A elo1=B alpha=X beta=Y\": stop a match of two once the "
                             "SPRT decides")
                  ->type_name(""));
    const auto file = [&](const std::string& names, std::string& target, const std::string& help) {
        d.as(Run, app.add_option(names, target, help)
                      ->type_name("FILE")
                      ->check([](const std::string& path) {
                          return path.empty() ? std::string("needs a file name") : std::string();
                      }));
    };
    file("--results", d.options.results_path,
         "append one JSON line per game and a summary to FILE, {game} or {batch} naming a job's "
         "own (--merge: write the merged ones)");
    flag(Run, "--schedule", d.options.schedule,
         "print one referee command per game (or per --batch) instead of playing (needs "
         "--results)");
    d.as(Run, app.add_option("--batch", d.options.batch,
                             "with --schedule: K games a job; {batch} in a file name is the job's "
                             "number")
                  ->check(CLI::Range(1, kMaxGames).description(""))
                  ->type_name("K"));
    d.as(Run, app.add_option("--only-game", d.only_game,
                             "play only these games of the schedule (K, A-B or a list: 1,4,7-9), "
                             "numbered as in the whole run")
                  ->type_name("GAMES"));
    flag(Run, "--merge", d.merge,
         "the arguments are results files: print their standings and "
         "statistics");
    const auto folder = [&](Role role, const std::string& names, std::string& target,
                            const std::string& help) {
        d.as(role, app.add_option(names, target, help)
                       ->type_name("DIR")
                       ->check([](const std::string& path) {
                           return path.empty() ? std::string("needs a folder name") : std::string();
                       }));
    };
    folder(Run, "--site", d.options.site_dir,
           "at the end of the run or --merge, write a static site to DIR: standings, crosstable, "
           "a page per player and per game, and standings.csv and crosstable.csv");
    file("--crosstable", d.options.crosstable_path,
         "at the end of the run or --merge, write the crosstable as CSV to FILE, at any "
         "field size");
    flag(Run, "--check", d.options.check,
         "check the one COMMAND, a bot, against randombot as black and as white: a "
         "checklist of what it does right and wrong (--time 10 unless given)");
    number(Shown, "--stderr-limit", d.error_cap_kb, 0, kMaxKilobytes,
           "kilobytes of each player's standard error the log keeps per game");
    d.name_option =
        d.as(Run, app.add_option("--name", d.names,
                                 "name of the player whose command comes next (default: the "
                                 "program's name)")
                      ->type_name("NAME")
                      ->allow_extra_args(false));
    d.as(Run, app.add_option("--name-black", d.black_name,
                             "with two players: name of the first (player 1 in game 1)")
                  ->type_name("NAME"));
    d.as(Run, app.add_option("--name-white", d.white_name, "with two players: name of the second")
                  ->type_name("NAME"));
    file("--record", d.options.record_path,
         "write the game records (tag pairs and moves), in game order, to FILE; {game} in FILE "
         "gives each game a file of its own, named by its number (games/g{game}.txt)");
    file("--log", d.options.log_path,
         "write every line both ways and the players' standard error to FILE; {game} as for "
         "--record");
    folder(Shown, "--player-logs", d.options.player_logs_dir,
           "write each player's own log of each game to DIR/NAME/game-K.txt: what it received, "
           "sent and wrote on standard error, nothing of its opponent's");
    flag(Run, "--progress", d.options.progress,
         "a line as each game starts and ends, with games done, time and "
         "points so far");
    number(Run, "--standings-every", d.options.standings_every, 0, kMaxGames,
           "print the standings after every N games; 0 for never");
    flag(Shown, "-q,--quiet", d.options.quiet, "show only the result lines, not the board");
    number(Shown, "--delay", d.delay_ms, 0, kMaxMilliseconds,
           "milliseconds to wait after each move is shown");
    flag(Shown, "--watch", d.options.watch,
         "redraw the board in place on a terminal, the latest results below "
         "it");
    flag(Shown, "--no-color", d.options.no_color,
         "no colours (also when NO_COLOR is set or output is no terminal)");
    // The board in the browser (docs/browser.md).
    d.as(Run, app.add_option("--serve", d.options.serve_port,
                             "serve the board in the browser on PORT of this machine (0: any "
                             "free port) instead of playing: its page plays the COMMANDs against "
                             "a person or each other; prints the page's address with its access "
                             "token")
                  ->check(CLI::Range(0, 65535).description(""))
                  ->type_name("PORT"));
    d.as(Run, app.add_option("--serve-address", d.options.serve_address,
                             "the address --serve listens on (default 127.0.0.1, this machine "
                             "only)")
                  ->type_name("ADDRESS"));
    d.as(Run, app.add_option("--field", d.options.field.dir,
                             "every folder in DIR with an executable run is a player named after "
                             "it, started as ./run there, after the COMMANDs; an executable build "
                             "beside it runs first, and a player whose build fails is left out "
                             "(docs/tournaments.md)")
                  ->type_name("DIR")
                  ->check(CLI::ExistingDirectory.description("")));
    number(Run, "--build-time", d.options.field.build_seconds, 1, kMaxSeconds,
           "seconds a submission's build may take");
    // Only for --field: in docs/referee.md, to keep the help to a screen.
    app.get_option("--build-time")->group("");
    d.command_option =
        d.as(Run, app.add_option("COMMAND", d.commands,
                                 "player commands, split like a shell would: two for a game or a "
                                 "match, more for a tournament")
                      ->type_name(""));
    // An option without a role would silently count as changing how games
    // are played: every parse of the command line refuses to run without.
    for (const CLI::Option* option : app.get_options()) {
        if (option != app.get_help_ptr() && d.roles.count(option->get_name()) == 0)
            throw std::logic_error("the option " + option->get_name() + " has no role");
    }
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

// The words of every game option given, for --schedule to repeat (folders
// made absolute, for jobs run anywhere); with `played_only` only those that
// decide how games are played.
std::vector<std::string> given_game_options(const CLI::App& app,
                                            const std::map<std::string, Role>& roles,
                                            bool played_only) {
    std::vector<std::string> words;
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        const auto role = roles.find(name);
        if (option->count() == 0 || role == roles.end() || role->second == Role::Run ||
            (played_only && role->second == Role::Shown))
            continue;
        if (option->get_items_expected_max() == 0) {
            words.push_back(name);
            continue;
        }
        for (const auto& value : option->results())
            words.insert(words.end(), {name, name == "--player-dir" || name == "--player-see" ||
                                                     name == "--player-logs"
                                                 ? absolute_path(value)
                                                 : value});
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
                return "--name " + quote(*pending) + " names no player: give it before a command";
            pending = d.names[names_taken++];
        } else if (option == d.command_option) {
            const std::string& text = d.commands[players.size()];
            auto words = split_command(text);
            if (!words)
                return "unterminated quote in " + quote(text);
            if (words->empty())
                return std::string("empty player command");
            // A name made from a file name may hold anything a file name can.
            players.push_back({pending ? *pending : printable(program_name(*words)), text, *words});
            pending.reset();
        }
    }
    if (pending)
        return "--name " + quote(*pending) + " names no player: give it before a command";
    return players;
}

// A name shows up on terminals and in every file of the run, so it may not
// hold anything that could pass for other output there.
std::optional<std::string> check_name(const std::string& option, const std::string& name) {
    if (has_control(name)) {
        return option + " " + quote(name) +
               ": a name may not hold control characters or bytes that are not UTF-8";
    }
    if (name.size() > kMaxNameBytes)
        return option + ": a name may be at most " + std::to_string(kMaxNameBytes) + " bytes long";
    return std::nullopt;
}

// Every file the run writes differs from every other one and from every
// file it reads (the player programs and scripts among them), however
// each is spelt.
std::optional<std::string> check_files(const Options& options) {
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--record", &options.record_path},
        {"--log", &options.log_path},
        {"--results", &options.results_path},
        {"--crosstable", &options.crosstable_path}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        for (std::size_t j = i + 1; j < std::size(outputs); ++j) {
            if (same_file(*outputs[i].second, *outputs[j].second)) {
                return std::string(outputs[i].first) + " and " + outputs[j].first +
                       " name the same file, " + quote(*outputs[j].second, 200) +
                       ": one would overwrite the other";
            }
        }
    }
    std::vector<std::string> inputs = options.merge_paths;
    for (const auto& player : options.players) {
        for (const auto& word : player.argv) {
            std::error_code error;
            if (std::filesystem::is_regular_file(word, error))
                inputs.push_back(word);
        }
    }
    for (const auto& [option, path] : outputs) {
        for (const auto& input : inputs) {
            if (same_file(*path, input)) {
                return std::string(option) + " " + quote(*path, 200) + " is " + quote(input, 200) +
                       ", which the run reads: it would be overwritten";
            }
        }
    }
    return std::nullopt;
}

// A file the referee writes must not lie in what a sandboxed player sees:
// it would read its opponent's moves and errors in the log, or change the
// results. The run is refused, with where the file lies.
std::optional<std::string> check_hidden_outputs(const Options& options) {
    if (options.sandbox == SandboxMode::Off)
        return std::nullopt;
    const SandboxSettings& sandbox = options.confinement.sandbox;
    std::vector<std::pair<std::string, std::string>> seen;  // path, what shows it
    for (const auto& dir : sandbox.player_dirs)
        seen.emplace_back(absolute_normal(dir), "--player-dir");
    for (const auto& path : sandbox.see_paths)
        seen.emplace_back(absolute_normal(path), "--player-see");
    for (const auto& player : options.players) {
        int error = 0;
        const std::string program =
            is_human(player.argv) ? "" : find_program(player.argv[0], error);
        if (program.empty())
            continue;
        const PlayerView view = player_view(program, player.argv);
        for (const auto& shown : {view.folder, view.lone_file}) {
            if (!shown.empty())
                seen.emplace_back(shown, "the folder of " + player.name);
        }
        for (const auto& runtime : view.installations)
            seen.emplace_back(runtime, "the runtime of " + player.name);
    }
    for (const auto& [option, path] :
         {std::pair{"--record", &options.record_path}, std::pair{"--log", &options.log_path},
          std::pair{"--results", &options.results_path}, std::pair{"--site", &options.site_dir},
          std::pair{"--crosstable", &options.crosstable_path}}) {
        if (path->empty())
            continue;
        // A name per game lands in the folder of its pattern.
        const std::string file = absolute_normal(*path);
        for (const auto& [shown, what] : seen) {
            if (lies_in(file, shown))
                return std::string(option) + " " + quote(*path, 200) + " lies in " + what + " (" +
                       shown + "), which players see: write it elsewhere";
        }
    }
    // The players' logs go into folders of their own under it, which may be
    // what a player sees as well.
    if (const std::string& dir = options.player_logs_dir; !dir.empty()) {
        const std::string folder = absolute_normal(dir);
        for (const auto& [shown, what] : seen) {
            if (lies_in(folder, shown) || lies_in(shown, folder))
                return "--player-logs " + quote(dir, 200) + " and " + what + " (" + shown +
                       "), which players see, overlap: write the logs elsewhere";
        }
    }
    return std::nullopt;
}

// A field run builds before it plays: it cannot be split into jobs or
// served, and the players it shows must not see its files.
std::optional<std::string> check_field(const Options& options, bool only_game) {
    const std::size_t count = options.players.size() + find_submissions(options.field.dir).size();
    if (count < 2) {
        return "give at least two players: " + quote(options.field.dir, 200) +
               " holds no folder with an executable run file, or only one";
    }
    if (options.schedule || only_game || options.serve_port >= 0 || options.sprt)
        return std::string("--field goes with none of --schedule, --only-game, --serve, --sprt");
    const std::string field = absolute_normal(options.field.dir);
    for (const auto& [option, path] :
         {std::pair{"--record", &options.record_path}, std::pair{"--log", &options.log_path},
          std::pair{"--results", &options.results_path},
          std::pair{"--player-logs", &options.player_logs_dir},
          std::pair{"--site", &options.site_dir},
          std::pair{"--crosstable", &options.crosstable_path}}) {
        if (!path->empty() && lies_in(absolute_normal(*path), field))
            return std::string(option) + " " + quote(*path, 200) + " lies in the field " + field +
                   ", which players see: write it elsewhere";
    }
    return std::nullopt;
}

// A check plays two games of its own against randombot and writes no
// files: an option about a run of games would be silently ignored.
std::optional<std::string> refused_with_check(const CLI::App& app) {
    for (const char* option : {"--merge", "--serve", "--schedule", "--only-game", "--games",
                               "--tournament", "--concurrency", "--sprt", "--results", "--record",
                               "--log", "--player-logs", "--field", "--site", "--crosstable"}) {
        if (app.count(option) > 0)
            return std::string("--check plays two games of its own and writes no files: no ") +
                   option;
    }
    return std::nullopt;
}

// {game} and {batch} in the files a job writes: each names a job's own file,
// so each needs jobs it can name.
std::optional<std::string> check_job_names(const Options& options) {
    if (options.batch > 0 && !options.schedule && options.only_games.empty())
        return "--batch goes with --schedule (K games a job) or with a job's --only-game";
    for (const auto& [option, path] :
         {std::pair{"--record", &options.record_path}, std::pair{"--log", &options.log_path},
          std::pair{"--results", &options.results_path}}) {
        if (per_batch(*path) && options.batch == 0)
            return std::string(option) + " names a file by {batch}: that needs --batch K";
    }
    const bool one_game_a_job =
        (options.schedule && options.batch <= 1) || options.only_games.size() == 1;
    if (per_game(options.results_path) && !one_game_a_job)
        return "{game} in --results names the file of a job of one game: give --schedule "
               "(without --batch) or --only-game K, or name a batch's file by {batch}";
    return std::nullopt;
}

std::optional<std::string> check_run(const Options& options) {
    const bool two = options.players.size() == 2;
    if (options.sprt && !two)
        return "--sprt needs exactly two players";
    if (options.schedule && options.results_path.empty())
        return "--schedule needs --results: the file every game appends its line to";
    for (const auto& [option, path] :
         {std::pair{"--record", &options.record_path}, std::pair{"--log", &options.log_path}}) {
        if (options.schedule && !path->empty() && !per_game(*path) && !per_batch(*path)) {
            return std::string("--schedule cannot share one ") + option +
                   " among separate jobs: give each game its own with {game} in the name (or "
                   "each batch with {batch})";
        }
    }
    if (!options.player_logs_dir.empty()) {
        for (const auto& player : options.players) {
            if (player.name.empty() || player.name == "." || player.name == ".." ||
                player.name.find('/') != std::string::npos)
                return "--player-logs: the name " + quote(player.name) +
                       " cannot name a folder; give the player another with --name";
        }
    }
    if (auto problem = check_job_names(options))
        return problem;
    if ((options.schedule || !options.only_games.empty()) && options.sprt)
        return "a split run cannot stop early: give --sprt to --merge instead";
    if ((options.schedule || !options.only_games.empty()) &&
        (!options.site_dir.empty() || !options.crosstable_path.empty()))
        return "a split run's jobs publish nothing: give --site or --crosstable to --merge";
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

}  // namespace

ParsedCommandLine parse_command_line(const std::vector<std::string>& args) {
    CLI::App app{"", "referee"};
    Declared d;
    declare(app, d);
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
    Options options = d.options;
    if (options.check) {
        if (auto problem = refused_with_check(app))
            return UsageError{*problem};
    }
    for (const auto& name : d.names) {
        if (auto problem = check_name("--name", name))
            return UsageError{*problem};
    }
    if (auto problem = check_name("--name-black", d.black_name))
        return UsageError{*problem};
    if (auto problem = check_name("--name-white", d.white_name))
        return UsageError{*problem};
    if (!d.sprt.empty()) {
        auto sprt = parse_sprt({d.sprt});
        if (auto* message = std::get_if<std::string>(&sprt))
            return UsageError{*message};
        options.sprt = std::get<SprtSettings>(sprt);
    }
    if (d.merge) {
        if (d.commands.empty())
            return UsageError{"--merge needs at least one results file"};
        options.merge_paths = d.commands;
        if (auto problem = check_files(options))
            return UsageError{*problem};
        return options;
    }
    const auto time = parse_time(d.time);
    if (!time) {
        return UsageError{"--time takes whole seconds from 1 to " + std::to_string(kMaxSeconds) +
                          ", optionally +INC seconds per move (e.g. 150+2), not \"" + d.time +
                          "\""};
    }
    options.game.time_control = *time;
    options.game.time_control.move_seconds = d.move_time;
    if (app.count("--human-time") == 0)
        options.game.human_time_seconds = std::max(kHumanSeconds, time->seconds);
    options.game.margin = std::chrono::milliseconds(d.margin_ms);
    // The pause is for watching the board; with nothing shown it would only
    // slow the game down.
    options.game.delay = std::chrono::milliseconds(options.quiet ? 0 : d.delay_ms);
    options.game.repetition_draws = !d.no_repetition;
    if (!rules::applies(rules::Reading::Treeplayer, options.game.rows, options.game.columns) &&
        options.game.rules == rules::RuleSet::Treeplayer) {
        return UsageError{"--rules treeplayer needs an 8x8 board; treeplayer plays no other"};
    }
    options.confinement.memory_bytes = static_cast<std::size_t>(d.player_memory_mb) << 20U;
    options.game.cpus = options.confinement.cpus;
    options.game.freeze_waiting = !d.ponder;
    // bwrap binds a folder at an absolute path.
    for (auto* paths :
         {&options.confinement.sandbox.player_dirs, &options.confinement.sandbox.see_paths}) {
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
            return UsageError{
                "--player-uids takes FIRST-LAST, user ids from 1 with FIRST <= LAST, "
                "not \"" +
                d.player_uids + "\""};
        options.confinement.ids = *range;
    }
    for (const auto& entry : d.player_env) {
        const auto name_end = entry.find('=');
        const std::string name = entry.substr(0, name_end);
        if (name.empty() ||
            name.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
                std::string::npos)
            return UsageError{"--player-env takes NAME or NAME=VALUE, not \"" + entry + "\""};
        const char* value = std::getenv(name.c_str());
        if (name_end != std::string::npos)
            options.confinement.environment.push_back(entry);
        else if (value != nullptr)
            options.confinement.environment.push_back(name + "=" + value);
    }
    options.error_cap = static_cast<std::size_t>(d.error_cap_kb) << 10U;

    auto players = named_commands(app, d);
    if (auto* message = std::get_if<std::string>(&players))
        return UsageError{*message};
    options.players = std::move(std::get<std::vector<Player>>(players));
    if (!options.field.dir.empty()) {
        if (auto problem = check_field(options, !d.only_game.empty()))
            return UsageError{*problem};
    }
    if (options.serve_port >= 0) {
        // The page offers a person itself, and plays programs against each
        // other or themselves: one command is enough.
        if (options.players.empty())
            return UsageError{"--serve needs at least one player command to offer"};
        if (std::any_of(options.players.begin(), options.players.end(),
                        [](const Player& p) { return is_human(p.argv); }))
            return UsageError{"with --serve the page offers human itself: give programs only"};
        return options;
    }
    if (options.check) {
        if (options.players.size() != 1 || is_human(options.players[0].argv))
            return UsageError{"--check takes one command: the bot to check"};
        // A check takes seconds, not the minutes of a tournament's clocks.
        if (app.count("--time") == 0)
            options.game.time_control.seconds = kCheckSeconds;
        return options;
    }
    if (options.field.dir.empty() && options.players.size() < 2)
        return UsageError{"give at least two player commands"};
    for (const auto& [given, index] : {std::pair{&d.black_name, 0}, std::pair{&d.white_name, 1}}) {
        if (given->empty())
            continue;
        if (options.players.size() != 2)
            return UsageError{"--name-black and --name-white are for two players; use --name"};
        options.players[static_cast<std::size_t>(index)].name = *given;
    }
    if (!d.only_game.empty()) {
        auto games = parse_game_list(d.only_game, total_games(options));
        if (auto* message = std::get_if<std::string>(&games))
            return UsageError{"--only-game " + *message};
        options.only_games = std::move(std::get<std::vector<int>>(games));
    }
    if (auto problem = check_run(options))
        return UsageError{*problem};
    if (auto problem = check_files(options))
        return UsageError{*problem};
    if (auto problem = check_hidden_outputs(options))
        return UsageError{*problem};
    // White has a town hall on every even column, black on every odd one:
    // black has the fewer, and must start above the losing limit.
    if (options.game.columns / 2 <= options.game.town_hall_limit) {
        return UsageError{"with " + std::to_string(options.game.columns) +
                          " columns black starts with " + std::to_string(options.game.columns / 2) +
                          " town halls, so --town-halls must be below that"};
    }
    options.game_options = given_game_options(app, d.roles, false);
    options.run_options = given_game_options(app, d.roles, true);
    return options;
}

}  // namespace referee
