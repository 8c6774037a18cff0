#include "referee/match.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "referee/display.h"
#include "referee/human.h"
#include "referee/in_order.h"
#include "referee/interrupt.h"
#include "referee/record.h"
#include "referee/results.h"
#include "referee/schedule.h"
#include "referee/tournament.h"

namespace referee {
namespace {

// Shows the board after every move: one after the other, or, watched on a
// terminal, redrawn in place with the latest result lines below it.
class BoardView : public GameObserver {
  public:
    BoardView(std::ostream& out, bool color, bool in_place)
        : out_(out), color_(color), in_place_(in_place) {}

    void started(const Board& board, const std::array<double, 2>& clock_left) override {
        show(render_start(clock_left), render_board(board, std::nullopt, color_));
    }
    void moved(const Board& board, const PlayedMove& move, int ply,
               const std::array<double, 2>& clock_left) override {
        show(render_status(ply, move.side, protocol::format_move(move.move), move.seconds,
                           clock_left),
             render_board(board, move.move, color_));
    }
    // A line of the run's own output, kept to show under the next boards.
    void note(const std::string& line) {
        if (!in_place_)
            return;
        notes_.push_back(line);
        if (notes_.size() > kNotes)
            notes_.erase(notes_.begin());
    }

  private:
    static constexpr std::size_t kNotes = 6;

    void show(const std::string& status, const std::string& board) {
        if (!in_place_) {
            out_ << status << '\n' << board << '\n' << std::flush;
            return;
        }
        std::string screen = kRedraw + status + '\n' + board + '\n';
        for (const auto& line : notes_)
            screen += line + '\n';
        out_ << screen << std::flush;
    }

    std::ostream& out_;
    bool color_;
    bool in_place_;
    std::vector<std::string> notes_;
};

// Passes every event on to the display and the log, whichever are on.
class Observers : public GameObserver {
  public:
    void add(GameObserver* observer) {
        if (observer)
            list_.push_back(observer);
    }
    void started(const Board& board, const std::array<double, 2>& clock_left) override {
        for (auto* o : list_)
            o->started(board, clock_left);
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

std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome) {
    return "Finished game " + std::to_string(game) + " (" + black + " vs " + white +
           "): " + outcome.result() + " {" + outcome.describe() + "}";
}

namespace {

// The names a run shows. Where a match, a tournament or a results file
// has to tell players apart, a name given twice gets " #1", " #2"; a single
// game keeps the names as they are.
std::vector<std::string> shown_names(const Options& options, int scheduled) {
    std::vector<std::string> names;
    for (const auto& player : options.players)
        names.push_back(player.name);
    if (scheduled > 1 || !options.results_path.empty())
        return distinct_names(names);
    return names;
}

// What one game left behind for the in-order output.
struct Played {
    GameResult result;
    std::string start_error;  // not empty: a player could not be started
    std::string failure;      // not empty: the referee itself failed (no memory, no pipes)
};

// The files a run writes besides standard output; each one optional.
struct RunFiles {
    std::ofstream record;
    std::ofstream log;
    std::unique_ptr<LogSink> log_sink;
    ResultsFile results;
    bool results_open = false;
    bool results_failed = false;

    // An error message when a file cannot be opened.
    std::optional<std::string> open(const Options& options) {
        if (!options.record_path.empty()) {
            record.open(options.record_path, std::ios::out | std::ios::trunc);
            if (!record)
                return "cannot open the record file " + options.record_path;
        }
        if (!options.log_path.empty()) {
            log.open(options.log_path, std::ios::out | std::ios::trunc);
            if (!log)
                return "cannot open the log file " + options.log_path;
            log_sink = std::make_unique<LogSink>(log);
        }
        if (!options.results_path.empty()) {
            if (auto failed = results.open(options.results_path))
                return failed;
            results_open = true;
        }
        return std::nullopt;
    }

    // A results line; a failure is reported once and makes the exit status 1.
    void append(const std::string& line, std::ostream& errors) {
        if (!results_open || results_failed)
            return;
        if (auto failed = results.append(line)) {
            errors << "referee: " << *failed << '\n';
            results_failed = true;
        }
    }
};

}  // namespace

int run_match(const Options& options, std::ostream& out, std::ostream& errors) {
    const auto origin = Clock::now();
    RunFiles files;
    if (auto failed = files.open(options)) {
        errors << "referee: " << *failed << '\n';
        return kWriteFailed;
    }
    const auto total = static_cast<int>(
        schedule_games(static_cast<int>(options.players.size()), options.kind, options.games)
            .size());
    Tournament tournament(shown_names(options, total), options.kind, options.games, options.sprt);
    const std::vector<std::string>& names = tournament.names();
    std::vector<ScheduledGame> games = tournament.games();
    if (options.only_game > 0)
        games = {games[static_cast<std::size_t>(options.only_game) - 1]};
    const bool several = total > 1;
    const bool two = names.size() == 2;
    const int workers = std::min(options.concurrency, static_cast<int>(games.size()));
    // Boards of games played side by side would run into one another.
    const bool show_boards = !options.quiet && workers == 1;
    const bool color = want_color(STDOUT_FILENO, options.no_color);
    BoardView view(out, color, options.watch && ::isatty(STDOUT_FILENO) == 1);
    // A side played by a person reads our standard input; lines typed ahead
    // carry from one game of a match into the next.
    Keyboard keyboard(STDIN_FILENO);
    const Terminal terminal{&keyboard, &out, show_boards, color, ::isatty(STDIN_FILENO) != 1};
    GameConfig config = options.game;
    config.terminal = &terminal;
    // The pause after each move is for watching the board.
    if (!show_boards)
        config.delay = std::chrono::milliseconds(0);
    std::vector<Played> played(games.size());
    int status = kPlayed;

    OrderedJobs jobs;
    jobs.count = static_cast<int>(games.size());
    jobs.may_start = [] { return interrupt_signal() == 0; };
    jobs.announce = [&](int i) {
        if (several)
            out << tournament.started_line(games[static_cast<std::size_t>(i)]) << '\n'
                << std::flush;
    };
    jobs.play = [&](int i) {
        const ScheduledGame& game = games[static_cast<std::size_t>(i)];
        const PlayerSpec black{names[game.black], options.players[game.black].argv};
        const PlayerSpec white{names[game.white], options.players[game.white].argv};
        Observers observers;
        if (show_boards)
            observers.add(&view);
        std::unique_ptr<GameLog> game_log;
        if (files.log_sink) {
            game_log = std::make_unique<GameLog>(*files.log_sink, game.number, black.name,
                                                 white.name, origin, options.error_cap);
            game_log->note(black.name + " (black) vs " + white.name + " (white)");
            observers.add(game_log.get());
        }
        Played& slot = played[static_cast<std::size_t>(i)];
        try {
            slot.result = play_game(config, black, white, observers);
        } catch (const StartError& error) {
            slot.start_error = error.what();
            return;
        } catch (const std::exception& error) {
            // On a worker thread an escaping exception would end the
            // referee without a word: report it in game order instead.
            slot.failure = error.what();
            return;
        }
        if (game_log) {
            game_log->finish();
            game_log->note(result_line(game.number, black.name, white.name, slot.result.outcome));
        }
    };
    jobs.deliver = [&](int i) {
        const ScheduledGame& game = games[static_cast<std::size_t>(i)];
        const Played& slot = played[static_cast<std::size_t>(i)];
        if (!slot.start_error.empty()) {
            errors << "referee: cannot start a player: " << slot.start_error << '\n';
            status = kStartFailed;
            return false;
        }
        if (!slot.failure.empty()) {
            errors << "referee: game " << game.number << " failed: " << slot.failure << '\n';
            status = kWriteFailed;
            return false;
        }
        const std::string& black = names[game.black];
        const std::string& white = names[game.white];
        const GameResult& result = slot.result;
        out << result_line(game.number, black, white, result.outcome) << '\n';
        view.note(result_line(game.number, black, white, result.outcome));
        GameEntry entry = make_entry(game.number, total, black, white, result);
        files.append(game_line(entry), errors);
        // The standings need results, not moves: a long match keeps no
        // game's moves once its line is written.
        entry.moves.clear();
        tournament.finished(std::move(entry));
        if (two && (several || result.outcome.reason == EndReason::Interrupted)) {
            const Score s = tournament.standings().cross[0][1];
            const std::string score = "Score of " + names[0] + " vs " + names[1] + ": " +
                                      std::to_string(s.wins) + " - " + std::to_string(s.losses) +
                                      " - " + std::to_string(s.draws);
            out << score << '\n';
            view.note(score);
        }
        out << std::flush;
        if (files.record.is_open()) {
            const RecordInfo info{"referee game " + std::to_string(game.number),
                                  black,
                                  white,
                                  options.game.rows,
                                  options.game.columns,
                                  options.game.time_seconds};
            write_record(files.record, info, result);
            files.record.flush();
        }
        if (files.log.is_open())
            files.log.flush();
        if (tournament.decided() && game.number < total) {
            out << "The SPRT has decided after game " << game.number << " of " << total
                << ": no more games.\n";
            return false;
        }
        return true;
    };
    run_in_order(jobs, workers);

    if (several && options.only_game == 0 && status == kPlayed) {
        out << tournament.summary() << std::flush;
        files.append(tournament.summary_json(), errors);
    }
    if (const int number = interrupt_signal())
        status = kSignalBase + number;
    const auto failed = [&](const std::string& what, const std::string& path) {
        errors << "referee: writing the " << what << " file " << path << " failed\n";
        status = status == kPlayed ? kWriteFailed : status;
    };
    if (files.record.is_open() && !files.record.good())
        failed("record", options.record_path);
    if (files.log.is_open() && !files.log.good())
        failed("log", options.log_path);
    if (files.results_failed)
        status = status == kPlayed ? kWriteFailed : status;
    return status;
}

void print_schedule(const Options& options, const std::string& referee, std::ostream& out) {
    ScheduleRequest request;
    request.referee = referee;
    request.options = options.game_options;
    request.kind = options.kind;
    request.games_per_pairing = options.games;
    const auto total = static_cast<int>(
        schedule_games(static_cast<int>(options.players.size()), options.kind, options.games)
            .size());
    const auto names = shown_names(options, total);
    for (std::size_t i = 0; i < options.players.size(); ++i)
        request.players.push_back({names[i], options.players[i].command});
    request.results_path = options.results_path;
    for (const auto& line : schedule_commands(request))
        out << line << '\n';
    out << std::flush;
}

}  // namespace referee
