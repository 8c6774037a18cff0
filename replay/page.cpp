#include "replay/page.h"

#include <nlohmann/json.hpp>

#include "replay/page_template.h"
#include "replay/svg.h"

namespace replay {
namespace {

nlohmann::json game_data(const Game& game, int start_ply) {
    nlohmann::json moves = nlohmann::json::array();
    for (const auto& played : game.moves) {
        const auto& m = played.move;
        moves.push_back({{"text", protocol::format_move(m)},
                         {"x1", m.x1},
                         {"y1", m.y1},
                         {"action", std::string(1, m.action)},
                         {"x2", m.x2},
                         {"y2", m.y2},
                         {"seconds", played.seconds}});
    }
    nlohmann::json tags = nlohmann::json::array();
    for (const auto& [name, value] : game.tags)
        tags.push_back({name, value});
    return {{"tags", tags},      {"rows", game.rows},     {"columns", game.columns},
            {"moves", moves},    {"result", game.result}, {"reason", game.tag("Termination")},
            {"start", start_ply}};
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

void replace_marker(std::string& page, const std::string& marker, const std::string& with) {
    page.replace(page.find(marker), marker.size(), with);
}

}  // namespace

std::string html_page(const Game& game, int start_ply) {
    return html_page(std::vector<Game>{game}, 0, start_ply);
}

std::string html_page(const std::vector<Game>& games, std::size_t shown, int start_ply) {
    const Game& game = games.at(shown);
    nlohmann::json data = game_data(game, start_ply);
    // The shown game's fields stay at the top, as a single game's page has
    // them; a match adds every game for the index.
    if (games.size() > 1) {
        data["games"] = nlohmann::json::array();
        for (const Game& other : games)
            data["games"].push_back(game_data(other, 0));
        data["shown"] = shown;
    }
    std::string page = kPageTemplate;
    replace_marker(page, "<!--board-->", svg_empty_board(game.rows, game.columns));
    replace_marker(page, "<!--game-data-->", script_safe_json(data));
    return page;
}

}  // namespace replay
