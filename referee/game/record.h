// The two files a game leaves behind: the record (its format is records',
// records/record.h) and the log (every line both ways and the players'
// standard error, with timestamps).
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "records/time_control.h"
#include "referee/common/files.h"
#include "referee/game/game.h"

namespace referee {

struct RecordInfo {
    std::string event;
    std::string black;
    std::string white;
    int rows = 8;
    int columns = 8;
    records::TimeControl time_control;
};

// The game as the record file writes it (records/record.h).
void write_record(std::ostream& out, const RecordInfo& info, const GameResult& result);

// One log file that games on several threads write at once: each write is
// a whole line, so lines of different games never run into each other.
class LogSink {
  public:
    explicit LogSink(OutputFile& out) : out_(out) {}
    void write(const std::string& line);
    // Why a write failed, once one has; later lines are dropped.
    std::optional<std::string> failure() const;

  private:
    OutputFile& out_;
    mutable std::mutex mutex_;
    std::optional<std::string> failure_;
};

// Writes the log lines of game `game`, each carrying its number, so the
// lines of games played side by side can be told apart; times are
// milliseconds since `origin`.
// Nothing reaches the file before the game has started: a game whose
// player cannot be started leaves the log as it was.
// Each player's standard error is kept up to `error_cap` bytes per game, so
// a player that floods it cannot fill the disk; finish() says how much was
// left out. With `only`, the log of that side alone: what it received, sent
// and wrote on standard error, and nothing of its opponent's, so that it
// can be handed to the player's author.
class GameLog : public GameObserver {
  public:
    GameLog(LogSink& out, int game, const std::string& black, const std::string& white,
            std::chrono::steady_clock::time_point origin, std::size_t error_cap,
            std::optional<rules::Side> only = std::nullopt);

    void started(const rules::Board& board, const std::array<double, 2>& clock_left) override;
    void line(rules::Side side, Direction direction, std::string_view text) override;
    void error_output(rules::Side side, std::string_view text) override;
    bool wants_error_output() const override { return true; }
    void notice(rules::Side side, std::string_view text) override;
    void note(std::string_view text);
    // One line per player whose standard error went past the cap.
    void finish();

  private:
    // The start of each line: time and game number.
    std::string stamp() const;
    void write(const std::string& line);
    // The game runs: what waited is written, and from now on every line.
    void begin();

    LogSink& out_;
    std::string game_;
    std::array<std::string, 2> names_;
    std::chrono::steady_clock::time_point origin_;
    std::size_t error_cap_;
    std::optional<rules::Side> only_;
    std::array<std::size_t, 2> error_kept_{};
    std::array<std::size_t, 2> error_left_out_{};
    bool started_ = false;
    std::string pending_;  // lines before the game started
};

}  // namespace referee
