#include "gamepage/page.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string_view>

#include "gamepage/page_template.h"
#include "gamepage/svg.h"

namespace gamepage {
namespace {

// A move's fields as the page's script reads them, written straight out: a
// game of a million plies never becomes a tree of a million JSON objects.
void write_moves(std::ostream& out, const records::Game& game) {
    out << '[';
    bool first = true;
    for (const auto& played : game.moves) {
        const auto& m = played.move;
        // Move times come from the record's comments: finite, not negative.
        const std::string seconds = nlohmann::json(played.seconds).dump();
        out << (first ? "" : ",") << R"({"text":")" << protocol::format_move(m) << R"(","x1":)"
            << m.x1 << R"(,"y1":)" << m.y1 << R"(,"action":")" << m.action << R"(","x2":)" << m.x2
            << R"(,"y2":)" << m.y2 << R"(,"seconds":)" << seconds << '}';
        first = false;
    }
    out << ']';
}

// The data sits inside a <script> element, which ends at the first "</";
// players' names may hold anything. Outside strings JSON has no '<', '>' or
// '&', so writing those three as \u escapes changes no value and leaves
// nothing the HTML parser could take for markup. Bytes that are not UTF-8
// become U+FFFD rather than stopping the page from being written.
std::string script_safe_json(const nlohmann::json& data) {
    const std::string json = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(json.size());
    for (char c : json) {
        switch (c) {
            case '<':
                out += "\\u003c";
                break;
            case '>':
                out += "\\u003e";
                break;
            case '&':
                out += "\\u0026";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The page's data for one game, its closing brace left for the caller to
// write (after more fields, for a match).
void write_game_fields(std::ostream& out, const records::Game& game, int start_ply) {
    nlohmann::json tags = nlohmann::json::array();
    for (const auto& [name, value] : game.tags)
        tags.push_back({name, value});
    const nlohmann::json rest = {{"tags", tags},
                                 {"rows", game.rows},
                                 {"columns", game.columns},
                                 {"result", game.result},
                                 {"reason", game.tag("Termination")},
                                 {"start", start_ply}};
    std::string fields = script_safe_json(rest);
    fields.pop_back();  // the closing brace
    out << fields << R"(,"moves":)";
    write_moves(out, game);
}

}  // namespace

std::string html_page(const records::Game& game, int start_ply) {
    std::ostringstream out;
    write_html_page(out, std::vector<records::Game>{game}, 0, start_ply);
    return out.str();
}

std::string html_page(const std::vector<records::Game>& games, std::size_t shown, int start_ply) {
    std::ostringstream out;
    write_html_page(out, games, shown, start_ply);
    return out.str();
}

void write_html_page(std::ostream& out, const std::vector<records::Game>& games, std::size_t shown,
                     int start_ply) {
    write_html_page(out, games.at(shown), shown, games.size(), start_ply,
                    [&](const std::function<void(const records::Game&)>& visit) {
                        for (const records::Game& game : games)
                            visit(game);
                    });
}

void write_html_page(std::ostream& out, const records::Game& game, std::size_t shown,
                     std::size_t count, int start_ply, const EachGame& games) {
    const std::string_view page = kPageTemplate;
    const std::string_view board_marker = "<!--board-->";
    const std::string_view data_marker = "<!--game-data-->";
    const auto board_at = page.find(board_marker);
    const auto data_at = page.find(data_marker);
    out << page.substr(0, board_at) << svg_empty_board(game.rows, game.columns)
        << page.substr(board_at + board_marker.size(), data_at - board_at - board_marker.size());
    // The shown game's fields stay at the top, as a single game's page has
    // them; a match adds every game for the index.
    write_game_fields(out, game, start_ply);
    if (count > 1) {
        out << R"(,"games":[)";
        bool first = true;
        games([&](const records::Game& each) {
            out << (first ? "" : ",");
            write_game_fields(out, each, 0);
            out << '}';
            first = false;
        });
        out << R"(],"shown":)" << shown;
    }
    out << '}';
    out << page.substr(data_at + data_marker.size());
}

}  // namespace gamepage
