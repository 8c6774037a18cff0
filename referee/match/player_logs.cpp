#include "referee/match/player_logs.h"

#include <filesystem>
#include <system_error>

#include "records/usage.h"
#include "referee/match/match.h"

namespace referee {

std::string player_log_path(const std::string& dir, const std::string& name, int game) {
    return (std::filesystem::path(dir) / name / ("game-" + std::to_string(game) + ".txt")).string();
}

std::optional<std::string> PlayerLogs::open(const std::string& dir, int game,
                                            const std::array<std::string, 2>& names,
                                            Clock::time_point origin, std::size_t error_cap,
                                            Observers& observers) {
    game_ = game;
    names_ = names;
    for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const std::size_t who = rules::side_index(side);
        const std::string path = player_log_path(dir, names[who], game);
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (error)
            return "cannot make the folder of " + path + ": " + error.message();
        Log& log = logs_[who];
        if (auto failed = log.file.open(path))
            return failed;
        log.sink = std::make_unique<LogSink>(log.file);
        log.log =
            std::make_unique<GameLog>(*log.sink, game, names[0], names[1], origin, error_cap, side);
        log.log->note(names[0] + " (black) vs " + names[1] + " (white)");
        observers.add(log.log.get());
    }
    return std::nullopt;
}

std::optional<std::string> PlayerLogs::finish(const GameResult& result) {
    for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const std::size_t who = rules::side_index(side);
        Log& log = logs_[who];
        if (!log.log)
            continue;
        Outcome shown = result.outcome;
        if (shown.loser && *shown.loser != side)
            shown.detail.clear();
        log.log->finish();
        log.log->note(result_line(game_, names_[0], names_[1], shown));
        log.log->note(names_[who] + " used " + records::format_usage(result.usage[who]));
    }
    for (const Log& log : logs_) {
        if (log.sink) {
            if (auto why = log.sink->failure())
                return why;
        }
    }
    return std::nullopt;
}

}  // namespace referee
