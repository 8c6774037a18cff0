#include "referee/match/paths.h"

#include <filesystem>

#include "referee/formats/schedule.h"

namespace referee {

namespace {

constexpr std::string_view kGame = "{game}";
constexpr std::string_view kBatch = "{batch}";

std::string replaced(const std::string& path, std::string_view placeholder, int value) {
    std::string out = path;
    const std::string number = std::to_string(value);
    for (auto at = out.find(placeholder); at != std::string::npos;
         at = out.find(placeholder, at + number.size()))
        out.replace(at, placeholder.size(), number);
    return out;
}

}  // namespace

bool per_game(const std::string& path) {
    return path.find(kGame) != std::string::npos;
}

std::string for_game(const std::string& path, int game) {
    return replaced(path, kGame, game);
}

bool per_batch(const std::string& path) {
    return path.find(kBatch) != std::string::npos;
}

std::string for_batch(const std::string& path, int batch) {
    return replaced(path, kBatch, batch);
}

std::optional<std::string> make_folders(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error))
        return std::nullopt;
    std::filesystem::create_directories(folder, error);
    if (error)
        return "cannot make the folder " + folder.string() + ": " + error.message();
    return std::nullopt;
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
