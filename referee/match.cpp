#include "referee/match.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "referee/display.h"
#include "referee/human.h"
#include "referee/interrupt.h"
#include "referee/record.h"

namespace referee {
namespace {

// Shows the board after every move.
class BoardView : public GameObserver {
  public:
    BoardView(std::ostream& out, bool color) : out_(out), color_(color) {}

    void started(const Board& board) override {
        out_ << render_board(board, std::nullopt, color_) << "black to move\n\n" << std::flush;
    }
    void moved(const Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override {
        out_ << render_status(ply, move.side, protocol::format_move(move.move), move.seconds,
                              clock_left)
             << '\n'
             << render_board(board, move.move, color_) << '\n'
             << std::flush;
    }

  private:
    std::ostream& out_;
    bool color_;
};

// Passes every event on to the display and the log, whichever are on.
class Observers : public GameObserver {
  public:
    void add(GameObserver* observer) {
        if (observer)
            list_.push_back(observer);
    }
    void started(const Board& board) override {
        for (auto* o : list_)
            o->started(board);
    }
    void moved(const Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override {
        for (auto* o : list_)
            o->moved(board, move, ply, clock_left);
    }
    void line(Side side, Direction direction, std::string_view text) override {
        for (auto* o : list_)
            o->line(side, direction, text);
    }
    void error_output(Side side, std::string_view text) override {
        for (auto* o : list_) {
            if (o->wants_error_output())
                o->error_output(side, text);
        }
    }
    bool wants_error_output() const override {
        for (auto* o : list_) {
            if (o->wants_error_output())
                return true;
        }
        return false;
    }

  private:
    std::vector<GameObserver*> list_;
};

}  // namespace

void Tally::add(const Outcome& outcome, bool a_was_black) {
    // An unfinished game has no result to count.
    if (outcome.reason == EndReason::Interrupted)
        return;
    ++reasons_[outcome.sentence()];
    if (!outcome.loser) {
        ++draws_;
    } else if ((*outcome.loser == Side::Black) == a_was_black) {
        ++losses_;
    } else {
        ++wins_;
    }
}

std::string Tally::score_line() const {
    return "Score of " + a_ + " vs " + b_ + ": " + std::to_string(wins_) + " - " +
           std::to_string(losses_) + " - " + std::to_string(draws_);
}

std::string Tally::summary() const {
    const std::size_t width = std::max({a_.size(), b_.size(), std::size_t{7}}) + 2;
    char row[256];
    std::string out;
    std::snprintf(row, sizeof row, "%-*s %6s %6s %6s\n", static_cast<int>(width), "Program", "Wins",
                  "Losses", "Draws");
    out += row;
    std::snprintf(row, sizeof row, "%-*s %6d %6d %6d\n", static_cast<int>(width), a_.c_str(), wins_,
                  losses_, draws_);
    out += row;
    std::snprintf(row, sizeof row, "%-*s %6d %6d %6d\n", static_cast<int>(width), b_.c_str(),
                  losses_, wins_, draws_);
    out += row;
    out += "Games ended because:\n";
    for (const auto& [sentence, count] : reasons_) {
        std::snprintf(row, sizeof row, "%6d  ", count);
        out += row + sentence + '\n';
    }
    return out;
}

std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome) {
    return "Finished game " + std::to_string(game) + " (" + black + " vs " + white +
           "): " + outcome.result() + " {" + outcome.describe() + "}";
}

int run_match(const Options& options, std::ostream& out, std::ostream& errors) {
    const auto origin = Clock::now();
    std::ofstream record;
    std::ofstream log;
    if (!options.record_path.empty()) {
        record.open(options.record_path, std::ios::out | std::ios::trunc);
        if (!record) {
            errors << "referee: cannot open the record file " << options.record_path << '\n';
            return kWriteFailed;
        }
    }
    if (!options.log_path.empty()) {
        log.open(options.log_path, std::ios::out | std::ios::trunc);
        if (!log) {
            errors << "referee: cannot open the log file " << options.log_path << '\n';
            return kWriteFailed;
        }
    }

    std::string a = options.black_name;
    std::string b = options.white_name;
    if (options.games > 1 && a == b) {
        a += " #1";
        b += " #2";
    }
    Tally tally(a, b);
    const bool color = want_color(STDOUT_FILENO, options.no_color);
    BoardView view(out, color);
    // A side played by a person reads our standard input; lines typed ahead
    // carry from one game of a match into the next.
    Keyboard keyboard(STDIN_FILENO);
    const Terminal terminal{&keyboard, &out, !options.quiet, color, ::isatty(STDIN_FILENO) != 1};
    GameConfig config = options.game;
    config.terminal = &terminal;
    for (int game = 1; game <= options.games && interrupt_signal() == 0; ++game) {
        // A plays black in odd games, white in even ones.
        const bool a_black = game % 2 == 1;
        const PlayerSpec first{a, options.black};
        const PlayerSpec second{b, options.white};
        const PlayerSpec& black = a_black ? first : second;
        const PlayerSpec& white = a_black ? second : first;

        Observers observers;
        if (!options.quiet)
            observers.add(&view);
        std::unique_ptr<GameLog> game_log;
        if (log.is_open()) {
            game_log =
                std::make_unique<GameLog>(log, black.name, white.name, origin, options.error_cap);
            game_log->note("game " + std::to_string(game) + ": " + black.name + " (black) vs " +
                           white.name + " (white)");
            observers.add(game_log.get());
        }
        GameResult result;
        try {
            result = play_game(config, black, white, observers);
        } catch (const StartError& error) {
            errors << "referee: cannot start a player: " << error.what() << '\n';
            return kStartFailed;
        }
        const std::string line = result_line(game, black.name, white.name, result.outcome);
        out << line << '\n';
        if (game_log) {
            game_log->finish();
            game_log->note(line);
        }
        tally.add(result.outcome, a_black);
        if (options.games > 1 || result.outcome.reason == EndReason::Interrupted)
            out << tally.score_line() << '\n';
        out << std::flush;
        if (record.is_open()) {
            const RecordInfo info{"referee game " + std::to_string(game),
                                  black.name,
                                  white.name,
                                  options.game.rows,
                                  options.game.columns,
                                  options.game.time_seconds};
            write_record(record, info, result);
            record.flush();
        }
        if (log.is_open())
            log.flush();
    }
    if (options.games > 1)
        out << tally.summary() << std::flush;

    int status = kPlayed;
    if (const int number = interrupt_signal())
        status = kSignalBase + number;
    if (record.is_open() && !record.good()) {
        errors << "referee: writing the record file " << options.record_path << " failed\n";
        status = status == kPlayed ? kWriteFailed : status;
    }
    if (log.is_open() && !log.good()) {
        errors << "referee: writing the log file " << options.log_path << " failed\n";
        status = status == kPlayed ? kWriteFailed : status;
    }
    return status;
}

}  // namespace referee
