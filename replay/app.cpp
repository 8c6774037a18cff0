#include "replay/app.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <utility>

#include "cli/bounded_file.h"
#include "referee/common/files.h"
#include "referee/common/text.h"
#include "referee/game/display.h"
#include "referee/game/outcome.h"
#include "replay/page.h"
#include "replay/record.h"
#include "replay/results.h"
#include "replay/svg.h"
#include "replay/terminal.h"

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
        if (referee::same_file(*path, options.record_path)) {
            return std::string(option) + " " + *path + " is the record " + options.record_path +
                   ": it would be overwritten";
        }
    }
    if (referee::same_file(options.html_path, options.svg_path))
        return "--html and --svg name the same file, " + options.svg_path;
    return std::nullopt;
}

// "treeplayer (black) vs gridplayer (white), ply 12 of 57: black S 0 5 M 0 4".
std::string caption(const Game& game, int ply) {
    const auto name = [&](const char* tag) {
        const std::string value = game.tag(tag);
        return value.empty() ? std::string("?") : referee::printable(value);
    };
    std::string text = name("Black") + " (black) vs " + name("White") + " (white), ply " +
                       std::to_string(ply) + " of " + std::to_string(game.plies());
    if (ply == 0)
        return text + ": start, black to move";
    const auto& move = game.moves[static_cast<std::size_t>(ply - 1)].move;
    text += std::string(": ") + (mover(ply) == Side::Black ? "black " : "white ") +
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

}  // namespace

int run(const Options& options, std::ostream& out, std::ostream& err) {
    if (const auto problem = clobbered(options)) {
        err << "replay: " << *problem << '\n';
        return kBadInput;
    }
    const auto file = cli::read_text_file(options.record_path);
    if (const auto* problem = std::get_if<cli::TextProblem>(&file)) {
        err << "replay: " << cli::describe(options.record_path, *problem) << '\n';
        return kBadInput;
    }
    const std::string& text = std::get<std::string>(file);
    // A results file holds each game on a line: --game K is the game's
    // number in its run, and the page shows that game alone.
    const bool results = is_results_file(text);
    std::string record = text;
    if (results) {
        std::string why;
        const auto found = record_from_results(text, options.game, why);
        if (!found) {
            err << "replay: " << options.record_path << ": " << why << '\n';
            return kBadInput;
        }
        record = *found;
    }
    auto read = read_record(record);
    if (const auto* error = std::get_if<RecordError>(&read)) {
        err << options.record_path;
        if (error->line > 0)
            err << ':' << error->line;
        err << ": " << error->why << '\n';
        return kBadInput;
    }
    const auto& games = std::get<std::vector<Game>>(read);
    const int chosen = results ? 1 : options.game;
    if (chosen > static_cast<int>(games.size())) {
        err << "replay: " << options.record_path << " holds " << games.size()
            << (games.size() == 1 ? " game" : " games") << ", not " << options.game << '\n';
        return kBadInput;
    }
    const Game& game = games[static_cast<std::size_t>(chosen - 1)];
    if (options.ply && *options.ply > game.plies()) {
        err << "replay: game " << options.game << " ends after ply " << game.plies()
            << ", there is no ply " << *options.ply << '\n';
        return kBadInput;
    }

    if (options.html_path.empty() && options.svg_path.empty()) {
        const bool color = referee::want_color(STDOUT_FILENO, options.no_color);
        const std::string note = games_note(static_cast<std::size_t>(chosen - 1), games.size());
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
                write_html_page(page, games, static_cast<std::size_t>(chosen - 1),
                                options.ply.value_or(0));
            },
            err);
    if (!options.svg_path.empty()) {
        const int ply = options.ply.value_or(game.plies());
        std::optional<protocol::MoveLine> last;
        if (ply > 0)
            last = game.moves[static_cast<std::size_t>(ply - 1)].move;
        written =
            write_file(
                options.svg_path,
                [&](std::ostream& picture) {
                    picture << svg_picture(position_after(game, ply), last, caption(game, ply))
                            << '\n';
                },
                err) &&
            written;
    }
    return written ? kDone : kWriteFailed;
}

}  // namespace replay
