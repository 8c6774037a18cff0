// A match or tournament the web server runs among the programs it offers:
// the referee's own match runner plays it, one game after another, each
// game a WebGame the page can watch like any other, so the page shows the
// summary a match on the command line prints for the same games.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "referee/formats/pairings.h"
#include "referee/web/web_game.h"

namespace referee::web {

class WebRun {
  public:
    // Starts one game of the run and lists it with the server's games.
    using StartGame =
        std::function<std::shared_ptr<WebGame>(const Entrant& black, const Entrant& white)>;

    // `players` by distinct names (see distinct_names). Starts the first
    // game at once, on a thread of its own.
    WebRun(int id, std::vector<Entrant> players, TournamentKind kind, int games_per_pairing,
           StartGame start);
    ~WebRun();
    WebRun(const WebRun&) = delete;
    WebRun& operator=(const WebRun&) = delete;
    WebRun(WebRun&&) = delete;
    WebRun& operator=(WebRun&&) = delete;

    // Ends the game under way unfinished and starts no other.
    void stop();
    bool finished() const;
    // Where the run stands, as JSON: its games (with the server's game
    // numbers), how many are over, the game under way and the summary text.
    std::string status() const;

  private:
    void run();
    GameResult play(const ScheduledGame& scheduled);

    const int id_;
    const std::vector<Entrant> players_;
    const TournamentKind kind_;
    const int games_per_pairing_;
    const StartGame start_;
    const std::vector<ScheduledGame> schedule_;

    mutable std::mutex mutex_;
    std::vector<int> game_ids_;         // per scheduled game; 0 before it starts
    std::vector<std::string> results_;  // per scheduled game
    std::string summary_;
    std::shared_ptr<WebGame> current_;
    int done_ = 0;
    bool stopping_ = false;
    bool finished_ = false;
    std::string error_;
    std::thread thread_;
};

}  // namespace referee::web
