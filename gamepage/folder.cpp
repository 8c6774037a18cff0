#include "gamepage/folder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <variant>

#include "gamepage/page.h"
#include "gamepage/styles.h"
#include "text/html.h"
#include "text/printable.h"

namespace gamepage {
namespace {

std::string shown(const std::string& text) {
    return text::html_escape(text::printable(text));
}

std::optional<std::string> write_file(const std::filesystem::path& path,
                                      const std::function<void(std::ostream&)>& write) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        write(file);
    file.close();
    if (!file)
        return "cannot write " + path.string() + ": " + std::strerror(errno);
    return std::nullopt;
}

}  // namespace

std::string game_page_name(int number) {
    return "game-" + std::to_string(number) + ".html";
}

GameLine game_line(int number, const records::Game& game) {
    return {number,      game.tag("Black"),       game.tag("White"),
            game.result, game.tag("Termination"), game.plies()};
}

std::optional<records::Game> game_of(const records::GameEntry& entry, std::string& why) {
    auto read = records::read_record(records::record_of(entry));
    if (const auto* error = std::get_if<records::RecordError>(&read)) {
        why = "game " + std::to_string(entry.game) + " does not replay: " + error->why;
        return std::nullopt;
    }
    auto& games = std::get<std::vector<records::Game>>(read);
    if (games.size() != 1) {
        why = "game " + std::to_string(entry.game) + " does not replay";
        return std::nullopt;
    }
    return std::move(games.front());
}

std::optional<std::string> write_game_page(const std::filesystem::path& dir, int number,
                                           const records::Game& game) {
    return write_file(dir / game_page_name(number),
                      [&](std::ostream& out) { write_html_page(out, {game}, 0, 0); });
}

std::optional<std::string> write_games_index(const std::filesystem::path& dir,
                                             const std::vector<GameLine>& games,
                                             const std::string& heading, const std::string& up) {
    return write_file(dir / "index.html", [&](std::ostream& out) {
        out << "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
               "<meta name=\"viewport\" content=\"width=device-width\"><title>"
            << shown(heading) << "</title>" << kIndexStyle << "</head><body>";
        if (!up.empty())
            out << "<p><a id=\"up\" href=\"" << text::html_escape(up) << "\">back</a></p>";
        out << "<h1>" << shown(heading) << "</h1><table id=\"games\"><thead><tr><th>Game</th>"
            << "<th>Black</th><th>White</th><th>Result</th><th>Reason</th><th>Plies</th>"
            << "</tr></thead><tbody>";
        for (const auto& game : games) {
            out << "<tr><td class=\"n\"><a href=\"" << game_page_name(game.number) << "\">"
                << game.number << "</a></td><td>" << shown(game.black) << "</td><td>"
                << shown(game.white) << "</td><td>" << shown(game.result) << "</td><td>"
                << shown(game.reason) << "</td><td class=\"n\">" << game.plies << "</td></tr>";
        }
        out << "</tbody></table></body></html>\n";
    });
}

}  // namespace gamepage
