#include "referee/match/paths.h"

#include <filesystem>

#include "referee/match/schedule.h"

namespace referee {

namespace {
constexpr std::string_view kPlaceholder = "{game}";
}  // namespace

bool per_game(const std::string& path) {
    return path.find(kPlaceholder) != std::string::npos;
}

std::string for_game(const std::string& path, int game) {
    std::string out = path;
    const std::string number = std::to_string(game);
    for (auto at = out.find(kPlaceholder); at != std::string::npos;
         at = out.find(kPlaceholder, at + number.size()))
        out.replace(at, kPlaceholder.size(), number);
    return out;
}

std::string absolute_path(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

std::string absolute_command(const std::string& command, const std::vector<std::string>& words) {
    bool changed = false;
    std::string out;
    for (const auto& word : words) {
        std::string shown = word;
        std::error_code error;
        if (word.find('/') != std::string::npos && word.front() != '/' && word.front() != '-' &&
            std::filesystem::exists(word, error)) {
            shown = absolute_path(word);
            changed = true;
        }
        out += (out.empty() ? "" : " ") + shell_quote(shown);
    }
    return changed ? out : command;
}

}  // namespace referee
