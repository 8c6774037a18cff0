#include "referee/formats/schedule.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace referee {
namespace {

bool plain(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && (std::isalnum(byte) != 0 || c == '_' || c == '-' || c == '.' ||
                           c == '/' || c == ':' || c == ',' || c == '+' || c == '@');
}

}  // namespace

std::string shell_quote(const std::string& word) {
    bool safe = !word.empty();
    bool control = false;
    for (char c : word) {
        safe = safe && plain(c);
        const auto byte = static_cast<unsigned char>(c);
        control = control || byte < 0x20 || byte == 0x7f;
    }
    if (safe)
        return word;
    if (control) {
        // A newline inside single quotes would still end the job's line for
        // a batch system that reads one job per line. In $'...' every byte
        // but printable ASCII is written \xNN; quotes and backslashes too,
        // so a shell without $'...' reads the same characters as one
        // literal word (with a $ before it) and runs nothing else.
        std::string out = "$'";
        for (char c : word) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7f && c != '\'' && c != '\\') {
                out += c;
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
                out += escaped;
            }
        }
        return out + "'";
    }
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> schedule_commands(const ScheduleRequest& request) {
    std::vector<std::string> common{request.referee};
    common.insert(common.end(), request.options.begin(), request.options.end());
    common.insert(common.end(),
                  {"--tournament", tournament_kind_name(request.kind), "--games",
                   std::to_string(request.games_per_pairing), "--results", request.results_path});
    if (request.rounds > 0)
        common.insert(common.end(), {"--rounds", std::to_string(request.rounds)});
    common.insert(common.end(), request.files.begin(), request.files.end());
    std::vector<std::string> players;
    for (const auto& player : request.players)
        players.insert(players.end(), {"--name", player.name, player.command});

    std::string prefix;
    for (const auto& word : common)
        prefix += shell_quote(word) + " ";
    std::string suffix;
    for (const auto& word : players) {
        // Appended in two steps: GCC 12 at -O3 warns (-Wrestrict) on " " + std::string.
        suffix += ' ';
        suffix += shell_quote(word);
    }

    std::vector<int> numbers = request.numbers;
    if (numbers.empty()) {
        for (const auto& game : schedule_games(static_cast<int>(request.players.size()),
                                               request.kind, request.games_per_pairing))
            numbers.push_back(game.number);
    }
    const std::size_t per_job = std::max(request.batch, 1);
    const std::string batch =
        request.batch > 0 ? "--batch " + std::to_string(request.batch) + " " : "";
    std::vector<std::string> lines;
    lines.reserve(numbers.size() / per_job + 1);
    for (std::size_t first = 0; first < numbers.size(); first += per_job) {
        const std::size_t last = std::min(first + per_job, numbers.size()) - 1;
        std::string only = std::to_string(numbers[first]);
        if (last > first)
            only += "-" + std::to_string(numbers[last]);
        lines.push_back(prefix + batch + "--only-game " + only + suffix);
    }
    return lines;
}

}  // namespace referee
