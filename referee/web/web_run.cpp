#include "referee/web/web_run.h"

#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "referee/match/match.h"
#include "referee/match/tournament.h"
#include "referee/process/child_process.h"

namespace referee::web {
namespace {

std::vector<std::string> names_of(const std::vector<Entrant>& players) {
    std::vector<std::string> names;
    names.reserve(players.size());
    for (const auto& player : players)
        names.push_back(player.name);
    return names;
}

}  // namespace

WebRun::WebRun(int id, std::vector<Entrant> players, TournamentKind kind, int games_per_pairing,
               StartGame start)
    : id_(id),
      players_(std::move(players)),
      kind_(kind),
      games_per_pairing_(games_per_pairing),
      start_(std::move(start)),
      schedule_(schedule_games(static_cast<int>(players_.size()), kind, games_per_pairing)),
      game_ids_(schedule_.size(), 0),
      results_(schedule_.size(), ""),
      summary_(Tournament(names_of(players_), kind, games_per_pairing).summary()) {
    thread_ = std::thread([this] { run(); });
}

WebRun::~WebRun() {
    stop();
    thread_.join();
}

void WebRun::run() {
    MatchOptions options;
    for (const Entrant& player : players_)
        options.players.push_back({player.name, "", player.command});
    options.kind = kind_;
    options.games = games_per_pairing_;
    options.quiet = true;
    // The server's games run in the sandbox the server settled.
    options.sandbox = SandboxMode::Off;
    options.hooks.play = [this](const ScheduledGame& scheduled) { return play(scheduled); };
    options.hooks.counted = [this](const ScheduledGame& scheduled, const GameResult& result,
                                   const Tournament& tournament) {
        const std::lock_guard lock(mutex_);
        results_[static_cast<std::size_t>(scheduled.number) - 1] = result.outcome.result().text();
        summary_ = tournament.summary();
        ++done_;
        current_.reset();
    };
    options.hooks.go_on = [this] {
        const std::lock_guard lock(mutex_);
        return !stopping_;
    };
    std::ostringstream out;
    std::ostringstream errors;
    const int status = run_match(options, out, errors);
    const std::lock_guard lock(mutex_);
    if (status != kPlayed && error_.empty())
        error_ = errors.str();
    current_.reset();
    finished_ = true;
}

// On the run's thread: one game of the schedule, as a game of the server.
GameResult WebRun::play(const ScheduledGame& scheduled) {
    auto game = start_(players_[static_cast<std::size_t>(scheduled.black)],
                       players_[static_cast<std::size_t>(scheduled.white)]);
    {
        const std::lock_guard lock(mutex_);
        current_ = game;
        game_ids_[static_cast<std::size_t>(scheduled.number) - 1] = game->id();
        // Asked to stop while the game was starting.
        if (stopping_)
            game->stop();
    }
    auto played = game->wait();
    if (!played) {
        const std::string why = "game " + std::to_string(scheduled.number) +
                                ": a player could not start; the run stopped";
        {
            const std::lock_guard lock(mutex_);
            error_ = why;
        }
        throw StartError(why);
    }
    return std::move(*played);
}

void WebRun::stop() {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    if (current_)
        current_->stop();
}

bool WebRun::finished() const {
    const std::lock_guard lock(mutex_);
    return finished_;
}

std::string WebRun::status() const {
    using nlohmann::json;
    const std::lock_guard lock(mutex_);
    json games = json::array();
    for (std::size_t i = 0; i < schedule_.size(); ++i) {
        games.push_back({{"number", schedule_[i].number},
                         {"black", players_[static_cast<std::size_t>(schedule_[i].black)].name},
                         {"white", players_[static_cast<std::size_t>(schedule_[i].white)].name},
                         {"id", game_ids_[i]},
                         {"result", results_[i]}});
    }
    return json{{"id", id_},
                {"players", names_of(players_)},
                {"tournament", tournament_kind_name(kind_)},
                {"games_per_pairing", games_per_pairing_},
                {"total", static_cast<int>(schedule_.size())},
                {"done", done_},
                {"over", finished_},
                {"stopped", stopping_},
                {"current", current_ ? json(current_->id()) : json(nullptr)},
                {"games", games},
                {"summary", summary_},
                {"error", error_}}
        .dump();
}

}  // namespace referee::web
