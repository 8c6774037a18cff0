#include "records/run.h"

namespace records {
namespace {

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text.empty() ? "none" : text;
}

std::string board_and_clocks(const RunInfo& run) {
    return std::to_string(run.rows) + "x" + std::to_string(run.columns) + " " +
           format_time_control(run.time_control);
}

}  // namespace

std::string run_difference(const RunInfo& here, const RunInfo& there) {
    const auto differ = [](const char* what, const std::string& a, const std::string& b) {
        return std::string(what) + ": " + a + " here, " + b + " there";
    };
    if (here.players != there.players)
        return differ("the players", joined(here.players), joined(there.players));
    if (here.commands != there.commands) {
        for (std::size_t i = 0; i < here.commands.size(); ++i) {
            if (here.commands[i] != there.commands[i])
                return differ(("the command of " + here.players[i]).c_str(), here.commands[i],
                              there.commands[i]);
        }
    }
    if (here.tournament != there.tournament)
        return differ("the tournament", here.tournament, there.tournament);
    if (here.games != there.games)
        return differ("the games per pairing", std::to_string(here.games),
                      std::to_string(there.games));
    if (here.options != there.options)
        return differ("the game options", joined(here.options), joined(there.options));
    if (here != there)
        return differ("the board or clocks", board_and_clocks(here), board_and_clocks(there));
    return "";
}

}  // namespace records
