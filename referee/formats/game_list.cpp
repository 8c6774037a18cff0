#include "referee/formats/game_list.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace referee {
namespace {

std::optional<int> whole_number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::variant<std::vector<int>, std::string> parse_game_list(const std::string& text, int total) {
    const std::string shape =
        "\"" + text + "\": give a game K, a range A-B or a list of them (1,4,7-9)";
    // Marked, not collected: the games come out in order and each once,
    // however the list repeats or overlaps itself.
    std::vector<bool> chosen(static_cast<std::size_t>(total) + 1, false);
    std::string_view rest = text;
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const auto dash = item.find('-');
        const auto first = whole_number(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : whole_number(item.substr(dash + 1));
        if (!first || !last || *first < 1 || *last < *first)
            return shape;
        if (*last > total)
            return "\"" + text + "\": the run has " + std::to_string(total) +
                   (total == 1 ? " game" : " games");
        for (int game = *first; game <= *last; ++game)
            chosen[static_cast<std::size_t>(game)] = true;
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    std::vector<int> games;
    for (int game = 1; game <= total; ++game) {
        if (chosen[static_cast<std::size_t>(game)])
            games.push_back(game);
    }
    return games;
}

}  // namespace referee
