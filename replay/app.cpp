#include "replay/app.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "cli/bounded_file.h"
#include "files/same_file.h"
#include "gamepage/folder.h"
#include "gamepage/page.h"
#include "gamepage/svg.h"
#include "records/record.h"
#include "records/results.h"
#include "replay/terminal.h"
#include "text/color.h"
#include "text/printable.h"

namespace replay {
namespace {

// Writes what `write` makes into the file, as it is made.
bool write_file(const std::string& path, const std::function<void(std::ostream&)>& write,
                std::ostream& err) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        write(file);
    file.close();
    if (!file) {
        err << "replay: cannot write " << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    return true;
}

// Why the outputs cannot be written: one is the record, or both are one
// file, however they are spelt.
std::optional<std::string> clobbered(const Options& options) {
    const std::pair<const char*, const std::string*> outputs[] = {{"--html", &options.html_path},
                                                                  {"--svg", &options.svg_path}};
    for (const auto& [option, path] : outputs) {
        if (files::same_file(*path, options.record_path)) {
            return std::string(option) + " " + *path + " is the record " + options.record_path +
                   ": it would be overwritten";
        }
    }
    if (files::same_file(options.html_path, options.svg_path))
        return "--html and --svg name the same file, " + options.svg_path;
    return std::nullopt;
}

// "treeplayer (black) vs gridplayer (white), ply 12 of 57: black S 0 5 M 0 4".
std::string caption(const records::Game& game, int ply) {
    const auto name = [&](const char* tag) {
        const std::string value = game.tag(tag);
        return value.empty() ? std::string("?") : text::printable(value);
    };
    std::string text = name("Black") + " (black) vs " + name("White") + " (white), ply " +
                       std::to_string(ply) + " of " + std::to_string(game.plies());
    if (ply == 0)
        return text + ": start, black to move";
    const auto& move = game.moves[static_cast<std::size_t>(ply - 1)].move;
    text += std::string(": ") + (records::mover(ply) == rules::Side::Black ? "black " : "white ") +
            protocol::format_move(move);
    if (ply == game.plies() && game.result != "*")
        text += ", " + game.result;
    return text;
}

// What a reader of one game of a match record should know: there are more.
std::string games_note(std::size_t shown, std::size_t count) {
    if (count < 2)
        return "";
    return "game " + std::to_string(shown + 1) + " of " + std::to_string(count) +
           " in this record; --game K shows another";
}

// Reads the record once through from its first line, checking every game:
// game `keep` (counted from 1) is kept, each game is shown to `each` if
// given, and no other is held. `made` is the record made from a results
// file's line, read instead of the file. Says why on `err` and returns
// nullopt when the record does not replay.
struct Pass {
    std::optional<records::Game> kept;
    std::size_t count = 0;
};

std::optional<Pass> read_pass(const Options& options, const std::optional<std::string>& made,
                              int keep, const std::function<void(const records::Game&)>& each,
                              std::ostream& err) {
    std::optional<cli::TextLines> file;
    records::NextLine next;
    if (made) {
        next = records::lines_of(*made);
    } else {
        file.emplace(options.record_path);
        next = [&file] { return file->next(); };
    }
    Pass pass;
    const auto error = records::read_games(next, [&](records::Game&& game) {
        ++pass.count;
        if (each)
            each(game);
        if (static_cast<int>(pass.count) == keep)
            pass.kept = std::move(game);
    });
    if (file && file->problem()) {
        err << "replay: " << cli::describe(options.record_path, *file->problem()) << '\n';
        return std::nullopt;
    }
    if (error) {
        err << options.record_path;
        if (error->line > 0)
            err << ':' << error->line;
        err << ": " << error->why << '\n';
        return std::nullopt;
    }
    return pass;
}

// Whether the file is a results file (true) or a record (false), or the
// exit status when it cannot be read.
std::variant<bool, int> holds_results(const Options& options, std::ostream& err) {
    bool results = false;
    cli::TextLines lines(options.record_path);
    while (const auto line = lines.next()) {
        if (line->find_first_not_of(" \t\r") != std::string_view::npos) {
            results = records::is_results_file(*line);
            break;
        }
    }
    if (const auto& problem = lines.problem()) {
        err << "replay: " << cli::describe(options.record_path, *problem) << '\n';
        return kBadInput;
    }
    return results;
}

// How many games a results file holds, each number counted once.
std::size_t games_in(std::string_view text) {
    std::set<int> numbers;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto read = records::read_game_line(text.substr(0, end));
        if (const auto* entry = std::get_if<records::GameEntry>(&read))
            numbers.insert(entry->game);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return numbers.size();
}

// A results file holds each game on a line: the record of game `game` made
// from it (and in `games` how many games the file holds), nullopt for a
// record file, or the exit status when neither reads.
std::variant<std::optional<std::string>, int> made_from_results(const Options& options,
                                                                std::size_t& games,
                                                                std::ostream& err) {
    const auto kind = holds_results(options, err);
    if (const auto* status = std::get_if<int>(&kind))
        return *status;
    if (!std::get<bool>(kind))
        return std::nullopt;
    const auto file = cli::read_text_file(options.record_path);
    if (const auto* problem = std::get_if<cli::TextProblem>(&file)) {
        err << "replay: " << cli::describe(options.record_path, *problem) << '\n';
        return kBadInput;
    }
    std::string why;
    const std::string& text = std::get<std::string>(file);
    auto found = records::record_from_results(text, options.game, why);
    if (!found) {
        err << "replay: " << options.record_path << ": " << why << '\n';
        return kBadInput;
    }
    games = games_in(text);
    return std::optional<std::string>(std::move(*found));
}

// --html names a folder (one that exists, or a name ending in '/'): every
// game gets a page of its own there.
bool names_folder(const std::string& path) {
    std::error_code error;
    return !path.empty() && (path.back() == '/' || std::filesystem::is_directory(path, error));
}

// Hands every game of the file to `each` with its number: its number in
// the run for a results file (the line `replaces` prefers where a game has
// two), its place for a record. False, said on `err`, when a game does not
// replay or the file does not read.
using EachNumbered = std::function<void(int number, const records::Game& game)>;
bool each_game(const Options& options, bool results, const EachNumbered& each, std::ostream& err) {
    if (!results) {
        int number = 0;
        return read_pass(
                   options, std::nullopt, 0,
                   [&](const records::Game& game) { each(++number, game); }, err)
            .has_value();
    }
    std::ifstream in(options.record_path, std::ios::binary);
    const records::ReadResults read = records::read_results(in, options.record_path);
    for (const auto& problem : read.problems)
        err << "replay: " << problem << '\n';
    std::map<int, const records::GameEntry*> chosen;
    for (const auto& entry : read.games) {
        auto [at, added] = chosen.emplace(entry.game, &entry);
        if (!added && records::replaces(*at->second, entry))
            at->second = &entry;
    }
    for (const auto& [number, entry] : chosen) {
        std::string why;
        const auto game = gamepage::game_of(*entry, why);
        if (!game) {
            err << "replay: " << options.record_path << ": " << why << '\n';
            return false;
        }
        each(number, *game);
    }
    return read.problems.empty();
}

// Every game's page and an index, once every game has been read and
// checked: a file that does not replay leaves no half-made folder behind.
int write_folder(const Options& options, std::ostream& out, std::ostream& err) {
    const auto kind = holds_results(options, err);
    if (const auto* status = std::get_if<int>(&kind))
        return *status;
    const bool results = std::get<bool>(kind);
    std::vector<gamepage::GameLine> lines;
    if (!each_game(
            options, results,
            [&](int number, const records::Game& game) {
                lines.push_back(gamepage::game_line(number, game));
            },
            err))
        return kBadInput;
    const std::filesystem::path dir = options.html_path;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        err << "replay: cannot make " << dir.string() << ": " << error.message() << '\n';
        return kWriteFailed;
    }
    std::optional<std::string> failed;
    each_game(
        options, results,
        [&](int number, const records::Game& game) {
            if (!failed)
                failed = gamepage::write_game_page(dir, number, game);
        },
        err);
    if (!failed) {
        failed = gamepage::write_games_index(
            dir, lines, std::filesystem::path(options.record_path).filename().string(), "");
    }
    if (failed) {
        err << "replay: " << *failed << '\n';
        return kWriteFailed;
    }
    out << lines.size() << (lines.size() == 1 ? " game" : " games") << " written to "
        << (dir / "index.html").string() << '\n';
    return kDone;
}

}  // namespace

int run(const Options& options, std::ostream& out, std::ostream& err) {
    if (const auto problem = clobbered(options)) {
        err << "replay: " << *problem << '\n';
        return kBadInput;
    }
    if (names_folder(options.html_path)) {
        if (!options.svg_path.empty() || options.game != 1) {
            err << "replay: --html " << options.html_path
                << " is a folder for every game's page: --game and --svg take one game\n";
            return kBadInput;
        }
        return write_folder(options, out, err);
    }
    // The record is read once to check it and keep the chosen game, and the
    // page of a match reads it again for its index: nothing but one game at
    // a time is ever held.
    std::size_t in_results = 0;
    const auto results = made_from_results(options, in_results, err);
    if (const auto* status = std::get_if<int>(&results))
        return *status;
    const auto& made = std::get<std::optional<std::string>>(results);
    const int chosen = made ? 1 : options.game;
    const auto pass = read_pass(options, made, chosen, nullptr, err);
    if (!pass)
        return kBadInput;
    if (!pass->kept) {
        err << "replay: " << options.record_path << " holds " << pass->count
            << (pass->count == 1 ? " game" : " games") << ", not " << options.game << '\n';
        return kBadInput;
    }
    const records::Game& game = *pass->kept;
    if (options.ply && *options.ply > game.plies()) {
        err << "replay: game " << options.game << " ends after ply " << game.plies()
            << ", there is no ply " << *options.ply << '\n';
        return kBadInput;
    }

    if (options.html_path.empty() && options.svg_path.empty()) {
        const bool color = text::want_color(STDOUT_FILENO, options.no_color);
        const std::string note = games_note(static_cast<std::size_t>(chosen - 1), pass->count);
        if (!note.empty())
            out << note << "\n\n";
        if (options.ply)
            out << render_position(game, *options.ply, color);
        else
            render_game(out, game, color);
        return kDone;
    }
    bool written = true;
    if (!options.html_path.empty())
        written = write_file(
            options.html_path,
            [&](std::ostream& page) {
                gamepage::write_html_page(
                    page, game, static_cast<std::size_t>(chosen - 1), pass->count,
                    options.ply.value_or(0),
                    [&](const std::function<void(const records::Game&)>& visit) {
                        read_pass(options, made, 0, visit, err);
                    });
            },
            err);
    if (!options.svg_path.empty()) {
        const int ply = options.ply.value_or(game.plies());
        std::optional<protocol::MoveLine> last;
        if (ply > 0)
            last = game.moves[static_cast<std::size_t>(ply - 1)].move;
        written = write_file(
                      options.svg_path,
                      [&](std::ostream& picture) {
                          picture << gamepage::svg_picture(records::position_after(game, ply), last,
                                                           caption(game, ply))
                                  << '\n';
                      },
                      err) &&
                  written;
    }
    // A results file's page holds one game: say so, and how to get them all.
    if (written && !options.html_path.empty() && in_results > 1) {
        out << "game " << options.game << " written to " << options.html_path << ", one of "
            << in_results << " games in " << options.record_path
            << "; --html DIR/ writes every game's page\n";
    }
    return written ? kDone : kWriteFailed;
}

}  // namespace replay
