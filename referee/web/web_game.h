// One game the web server runs: its seats (programs, or people in the
// browser), its thread, and every event the page is told, kept in order so
// that a page that opens late still sees the game from its first move.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "referee/game/game.h"
#include "referee/seats/browser.h"
#include "referee/seats/seating.h"
#include "referee/seats/stoppable.h"

namespace referee::web {

// Who plays a side: a person in the browser (no command) or a program.
struct Entrant {
    std::string name;
    std::vector<std::string> command;  // empty for a person
};

class WebGame {
  public:
    // Starts the game on a thread of its own; `told` hears, on any thread,
    // that there are new events.
    WebGame(
        int id, const Entrant& black, const Entrant& white, const GameConfig& config,
        const Seating& seating, std::function<void()> told = [] {});
    ~WebGame();
    WebGame(const WebGame&) = delete;
    WebGame& operator=(const WebGame&) = delete;
    WebGame(WebGame&&) = delete;
    WebGame& operator=(WebGame&&) = delete;

    int id() const { return id_; }
    // The events from `from` on, each one JSON object, waiting up to
    // `wait` for one when there is none yet. `over` tells whether the game
    // has ended and every event is out.
    std::vector<std::string> events(std::size_t from, std::chrono::milliseconds wait,
                                    bool& over) const;
    // A person's move; nullopt when it was taken, otherwise why not.
    std::optional<std::string> move(const std::string& line);
    // The person (the one to move when both sides are people) gives up.
    // False when no side is played in the browser or the game is over.
    bool resign();
    // Ends the game unfinished.
    void stop();
    bool finished() const;
    // The record once the game is over.
    std::optional<std::string> record() const;
    // One line of the games list, as JSON.
    std::string summary() const;
    // Waits for the end of the game: how it went, or nullopt when a player
    // could not start.
    std::optional<GameResult> wait() const;

  private:
    class Events;
    void run();
    void publish(std::string event);

    const int id_;
    const std::array<Entrant, 2> entrants_;
    const GameConfig config_;
    const Seating seating_;
    const std::function<void()> told_;
    std::array<std::unique_ptr<BrowserSeat>, 2> people_;
    std::array<StoppableSeat*, 2> seats_{};  // set while the game runs

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> events_;
    int plies_ = 0;
    bool finished_ = false;
    std::string result_ = "*";
    std::string reason_;
    std::optional<GameResult> played_;
    std::string record_;
    std::optional<Outcome> pending_end_;  // asked for before the seats were taken
    std::thread thread_;
};

}  // namespace referee::web
