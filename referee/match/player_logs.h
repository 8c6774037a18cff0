// Each player's own log of a game (--player-logs DIR): what it received,
// what it sent and what it wrote on standard error, in DIR/NAME/game-K.txt,
// so that the author of a bot can be handed their file and nothing of their
// opponent's.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "referee/common/clock.h"
#include "referee/common/files.h"
#include "referee/game/observers.h"
#include "referee/game/record.h"

namespace referee {

// The file of `name`'s log of game `game` under `dir`.
std::string player_log_path(const std::string& dir, const std::string& name, int game);

class PlayerLogs {
  public:
    // Makes the players' folders and opens both files, and adds the logs
    // to `observers`; an error message when a folder or file cannot be made.
    std::optional<std::string> open(const std::string& dir, int game,
                                    const std::array<std::string, 2>& names,
                                    Clock::time_point origin, std::size_t error_cap,
                                    Observers& observers);
    // The result as each player may read it (an opponent's fault without
    // its detail, which quotes the opponent's output) and what the player
    // used; why a write failed, once one has.
    std::optional<std::string> finish(const GameResult& result);

  private:
    struct Log {
        OutputFile file;
        std::unique_ptr<LogSink> sink;
        std::unique_ptr<GameLog> log;
    };
    int game_ = 0;
    std::array<std::string, 2> names_;
    std::array<Log, 2> logs_;
};

}  // namespace referee
