#include "referee/web/web_run.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "referee/match/results.h"

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
      tournament_(names_of(players_), kind, games_per_pairing) {
    game_ids_.assign(tournament_.games().size(), 0);
    results_.assign(tournament_.games().size(), "");
    thread_ = std::thread([this] { run(); });
}

WebRun::~WebRun() {
    stop();
    thread_.join();
}

void WebRun::run() {
    // The schedule never changes once made: read without the lock.
    const std::vector<ScheduledGame>& games = tournament_.games();
    const std::vector<std::string>& names = tournament_.names();
    for (std::size_t i = 0; i < games.size(); ++i) {
        const ScheduledGame& scheduled = games[i];
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                break;
        }
        auto game = start_(players_[static_cast<std::size_t>(scheduled.black)],
                           players_[static_cast<std::size_t>(scheduled.white)]);
        {
            const std::lock_guard lock(mutex_);
            current_ = game;
            game_ids_[i] = game->id();
            // Asked to stop while the game was starting.
            if (stopping_)
                game->stop();
        }
        const auto played = game->wait();
        const std::string& black = names[static_cast<std::size_t>(scheduled.black)];
        const std::string& white = names[static_cast<std::size_t>(scheduled.white)];
        GameEntry entry;
        if (played) {
            entry = make_entry(scheduled.number, tournament_.total(), black, white, *played);
            entry.moves.clear();  // the standings need results only
        } else {
            entry.game = scheduled.number;
            entry.black = black;
            entry.white = white;
        }
        const std::lock_guard lock(mutex_);
        results_[i] = entry.result;
        tournament_.finished(std::move(entry));
        ++done_;
        current_.reset();
        if (!played) {
            error_ = "game " + std::to_string(scheduled.number) +
                     ": a player could not start; the run stopped";
            break;
        }
    }
    const std::lock_guard lock(mutex_);
    finished_ = true;
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
    const auto& schedule = tournament_.games();
    for (std::size_t i = 0; i < schedule.size(); ++i) {
        const auto& names = tournament_.names();
        games.push_back({{"number", schedule[i].number},
                         {"black", names[static_cast<std::size_t>(schedule[i].black)]},
                         {"white", names[static_cast<std::size_t>(schedule[i].white)]},
                         {"id", game_ids_[i]},
                         {"result", results_[i]}});
    }
    return json{{"id", id_},
                {"players", tournament_.names()},
                {"tournament", tournament_kind_name(kind_)},
                {"games_per_pairing", games_per_pairing_},
                {"total", tournament_.total()},
                {"done", done_},
                {"over", finished_},
                {"stopped", stopping_},
                {"current", current_ ? json(current_->id()) : json(nullptr)},
                {"games", games},
                {"summary", tournament_.summary()},
                {"error", error_}}
        .dump();
}

}  // namespace referee::web
