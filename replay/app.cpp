#include "replay/app.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

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

std::optional<std::string> read_file(const std::string& path, std::string& why) {
    // A directory opens like a file here and then reads as nothing at all.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        why = "it is a directory";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in)
        text << in.rdbuf();
    if (!in || in.bad()) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    return text.str();
}

bool write_file(const std::string& path, const std::string& text, std::ostream& err) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        err << "replay: cannot write " << path << ": " << std::strerror(errno) << '\n';
        return false;
    }
    return true;
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
    std::string why;
    const auto text = read_file(options.record_path, why);
    if (!text) {
        err << "replay: cannot read " << options.record_path << ": " << why << '\n';
        return kBadInput;
    }
    // A results file holds each game on a line: --game K is the game's
    // number in its run, and the page shows that game alone.
    const bool results = is_results_file(*text);
    std::string record = *text;
    if (results) {
        const auto found = record_from_results(*text, options.game, why);
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
        out << (options.ply ? render_position(game, *options.ply, color)
                            : render_game(game, color));
        return kDone;
    }
    bool written = true;
    if (!options.html_path.empty())
        written = write_file(
            options.html_path,
            html_page(games, static_cast<std::size_t>(chosen - 1), options.ply.value_or(0)), err);
    if (!options.svg_path.empty()) {
        const int ply = options.ply.value_or(game.plies());
        std::optional<protocol::MoveLine> last;
        if (ply > 0)
            last = game.moves[static_cast<std::size_t>(ply - 1)].move;
        written =
            write_file(options.svg_path,
                       svg_picture(position_after(game, ply), last, caption(game, ply)) + '\n',
                       err) &&
            written;
    }
    return written ? kDone : kWriteFailed;
}

}  // namespace replay
