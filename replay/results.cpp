#include "replay/results.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

namespace replay {
namespace {

using json = nlohmann::json;

std::string tag(const char* name, const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '"' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return std::string("[") + name + " \"" + escaped + "\"]\n";
}

std::string record_of(const json& line, int game) {
    const auto text = [&](const char* key) {
        const auto found = line.find(key);
        return found != line.end() && found->is_string() ? found->get<std::string>() : "";
    };
    std::string record = tag("Event", "referee game " + std::to_string(game));
    record += tag("Black", text("black")) + tag("White", text("white"));
    if (const auto run = line.find("run"); run != line.end() && run->is_object()) {
        for (const char* key : {"rows", "columns"}) {
            if (run->contains(key) && run->at(key).is_number_integer())
                record += tag(key[0] == 'r' ? "Rows" : "Columns",
                              std::to_string(run->at(key).get<long>()));
        }
        if (run->contains("time_control") && run->at("time_control").is_string())
            record += tag("TimeControl", run->at("time_control").get<std::string>());
    }
    const std::string result = text("result").empty() ? "*" : text("result");
    record += tag("Result", result) + tag("Termination", text("termination"));
    const json moves = line.value("moves", json::array());
    const json times = line.value("times", json::array());
    record += tag("PlyCount", std::to_string(moves.size())) + "\n";
    for (std::size_t i = 0; i < moves.size(); ++i) {
        record += moves[i].is_string() ? moves[i].get<std::string>() : std::string("?");
        if (times.size() == moves.size() && times[i].is_number()) {
            char took[40];
            std::snprintf(took, sizeof took, " {%.3fs}", times[i].get<double>());
            record += took;
        }
        record += '\n';
    }
    return record + result + "\n";
}

}  // namespace

bool is_results_file(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{';
}

std::optional<std::string> record_from_results(std::string_view text, int game, std::string& why) {
    std::optional<std::string> unfinished;
    int games = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const json line = json::parse(row, nullptr, false);
        if (line.is_discarded() || !line.is_object() || !line.contains("game") ||
            !line.at("game").is_number_integer())
            continue;
        ++games;
        if (line.at("game").get<long>() != game)
            continue;
        if (line.value("result", "*") != "*")
            return record_of(line, game);
        if (!unfinished)
            unfinished = record_of(line, game);
    }
    if (!unfinished)
        why = "the results file holds no game " + std::to_string(game) + " (it holds " +
              std::to_string(games) + (games == 1 ? " game line)" : " game lines)");
    return unfinished;
}

}  // namespace replay
