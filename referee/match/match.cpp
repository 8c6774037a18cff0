#include "referee/match/match.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "records/usage.h"
#include "referee/common/files.h"
#include "referee/common/interrupt.h"
#include "referee/formats/schedule.h"
#include "referee/formats/swiss_rounds.h"
#include "referee/game/display.h"
#include "referee/game/observers.h"
#include "referee/game/record.h"
#include "referee/match/in_order.h"
#include "referee/match/paths.h"
#include "referee/match/player_logs.h"
#include "referee/match/progress.h"
#include "referee/match/results.h"
#include "referee/match/resume.h"
#include "referee/match/tournament.h"
#include "referee/process/child_process.h"
#include "referee/seats/seating.h"
#include "text/color.h"

namespace referee {
namespace {

// The names a run shows. Where a match, a tournament or a results file
// has to tell players apart, a name given twice gets " #1", " #2"; a single
// game keeps the names as they are.
std::vector<std::string> shown_names(const MatchOptions& options) {
    std::vector<std::string> names;
    for (const auto& player : options.players)
        names.push_back(player.name);
    if (total_games(options) > 1 || !options.results_path.empty())
        return distinct_names(names);
    return names;
}

// A file of this job: the path as given, and as this job names it (its
// {batch}, and for the results file its {game}, filled in).
struct JobPath {
    std::string given;
    std::string path;
    // Named by game or batch: the folders are made as the files are.
    bool own_folders() const { return given != path || per_game(given); }
};

struct JobPaths {
    JobPath results;
    JobPath record;
    JobPath log;
};

// The paths of a job playing `games` (all of them for a whole run).
JobPaths job_paths(const MatchOptions& options, const std::vector<ScheduledGame>& games) {
    const int first = options.only_games.empty() || games.empty() ? 0 : games.front().number;
    const int batch = options.batch > 0 && first > 0 ? (first - 1) / options.batch + 1 : 0;
    const auto named = [&](const std::string& given) {
        return JobPath{given, batch > 0 ? for_batch(given, batch) : given};
    };
    JobPaths paths{named(options.results_path), named(options.record_path),
                   named(options.log_path)};
    // A job of one game may keep its line in a file of its own.
    if (first > 0 && games.size() == 1)
        paths.results.path = for_game(paths.results.path, first);
    return paths;
}

// Opens a file named by game or batch after making its folders.
std::optional<std::string> open_own(OutputFile& file, const std::string& path) {
    if (auto failed = make_folders(path))
        return failed;
    return file.open(path);
}

// What one game left behind for the in-order output.
struct Played {
    GameResult result;
    std::string start_error;  // not empty: a player could not be started
    std::string failure;      // not empty: the referee itself failed (no memory, no pipes)
};

// The files a run writes besides standard output; each one optional. The
// record and the log are emptied by their first write, so a run that plays
// no game leaves them as they were; the results file is only appended to.
struct RunFiles {
    OutputFile record;
    OutputFile log;
    std::unique_ptr<LogSink> log_sink;
    records::ResultsFile results;
    bool results_open = false;
    bool results_failed = false;
    std::optional<std::string> record_failure;

    // An error message when a file cannot be opened.
    std::optional<std::string> open(const JobPaths& paths) {
        const auto shared = [](const JobPath& file) {
            return !file.path.empty() && !per_game(file.path);
        };
        if (shared(paths.record)) {
            if (auto failed = paths.record.own_folders() ? open_own(record, paths.record.path)
                                                         : record.open(paths.record.path))
                return "the record file: " + *failed;
        }
        if (shared(paths.log)) {
            if (auto failed = paths.log.own_folders() ? open_own(log, paths.log.path)
                                                      : log.open(paths.log.path))
                return "the log file: " + *failed;
            log_sink = std::make_unique<LogSink>(log);
        }
        if (!paths.results.path.empty()) {
            if (paths.results.own_folders()) {
                if (auto failed = make_folders(paths.results.path))
                    return "the results file: " + *failed;
            }
            if (auto failed = results.open(paths.results.path))
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

// One run from its first game to its summary. Games may be played on
// several threads at once (play), but everything they leave behind is
// handed on in game order on the calling thread (announce, deliver).
// The log of one game: a file of its own when the path is named by game,
// otherwise its lines in the run's log, if there is one.
class GameLogging {
  public:
    // An error message when the game's own file cannot be opened.
    std::optional<std::string> open(const std::string& path, LogSink* run_log, int game,
                                    const std::array<std::string, 2>& names,
                                    Clock::time_point origin, std::size_t error_cap) {
        names_ = names;
        if (per_game(path)) {
            if (auto failed = open_own(own_file_, for_game(path, game)))
                return failed;
            own_sink_ = std::make_unique<LogSink>(own_file_);
        }
        LogSink* sink = own_sink_ ? own_sink_.get() : run_log;
        if (sink != nullptr) {
            log_ = std::make_unique<GameLog>(*sink, game, names[0], names[1], origin, error_cap);
            log_->note(names[0] + " (black) vs " + names[1] + " (white)");
        }
        return std::nullopt;
    }
    void watch(Observers& observers) {
        if (log_)
            observers.add(log_.get());
    }
    // The result and what each side used; why the game's own file could not
    // be written, if it could not.
    std::optional<std::string> finish(int game, const GameResult& result) {
        if (log_) {
            log_->finish();
            log_->note(result_line(game, names_[0], names_[1], result.outcome));
            for (std::size_t side = 0; side < names_.size(); ++side)
                log_->note(names_[side] + " used " + records::format_usage(result.usage[side]));
        }
        return own_sink_ ? own_sink_->failure() : std::nullopt;
    }

  private:
    std::array<std::string, 2> names_;
    OutputFile own_file_;
    std::unique_ptr<LogSink> own_sink_;
    std::unique_ptr<GameLog> log_;
};

class MatchRunner {
  public:
    MatchRunner(const MatchOptions& options, std::ostream& out, std::ostream& errors);

    int run();

  private:
    const ScheduledGame& game(int i) const { return games_[static_cast<std::size_t>(i)]; }
    bool resume();
    bool next_round();
    void deliver_byes();
    void append_game(const records::GameEntry& entry);
    void prepare();
    void announce(int i);
    void play(int i);
    bool deliver(int i);
    void show_score();
    void record_game(const ScheduledGame& scheduled, const GameResult& result);
    void check_files();
    void show_standings();
    void publish();

    const MatchOptions& options_;
    std::ostream& out_;
    std::ostream& errors_;
    const Clock::time_point origin_ = Clock::now();
    Tournament tournament_;
    std::vector<ScheduledGame> games_;  // the games this run plays (of this Swiss round)
    std::optional<SwissPlan> swiss_;
    int round_ = 0;  // the Swiss round being played
    std::vector<Played> played_;
    int workers_;
    bool show_boards_;
    bool color_;
    BoardView view_;
    // People play at our own terminal, with one keyboard for the run.
    ConsoleSeating console_{out_};
    Seating seating_;
    GameConfig config_;
    JobPaths paths_;
    RunFiles files_;
    records::RunInfo run_info_;
    // The results file lacks this run's line: it goes ahead of the first
    // game line written.
    bool run_line_due_ = true;
    // Everything written to out_ once games may run side by side.
    std::mutex out_mutex_;
    std::optional<Progress> progress_;
    int delivered_ = 0;
    // The games with their moves, for publishing a run without a results
    // file (which would hold them otherwise).
    std::vector<records::GameEntry> kept_;
    bool record_failed_ = false;  // a record of its own per game could not be written
    int status_ = kPlayed;
};

// What identifies the run in its results lines.
records::RunInfo run_info(const MatchOptions& options, const std::vector<std::string>& names) {
    records::RunInfo run;
    run.players = names;
    for (const auto& player : options.players)
        run.commands.push_back(absolute_command(player.command, player.argv));
    run.tournament = tournament_kind_name(options.kind);
    if (options.kind == TournamentKind::Swiss)
        run.tournament += " " + std::to_string(options.rounds) + " rounds";
    run.games = options.games;
    run.options = options.run_options;
    run.rows = options.game.rows;
    run.columns = options.game.columns;
    run.time_control = options.game.time_control;
    return run;
}

MatchRunner::MatchRunner(const MatchOptions& options, std::ostream& out, std::ostream& errors)
    : options_(options),
      out_(out),
      errors_(errors),
      tournament_(shown_names(options), options.kind, options.games, options.sprt, options.rounds),
      games_(tournament_.games()),
      workers_(1),
      show_boards_(false),
      color_(text::want_color(STDOUT_FILENO, options.no_color)),
      view_(out, color_, options.watch && ::isatty(STDOUT_FILENO) == 1),
      config_(options.game),
      run_info_(run_info(options, tournament_.names())) {
    if (!options.only_games.empty() && options.kind != TournamentKind::Swiss) {
        std::vector<ScheduledGame> chosen;
        for (const int number : options.only_games)
            chosen.push_back(games_[static_cast<std::size_t>(number) - 1]);
        games_ = std::move(chosen);
    }
    if (options.kind == TournamentKind::Swiss)
        swiss_ = SwissPlan{static_cast<int>(options.players.size()), options.rounds, options.games};
    paths_ = job_paths(options, games_);
}

// Takes the games the results file holds already; false when it holds
// another run's.
bool MatchRunner::resume() {
    const std::string& path = paths_.results.path;
    if (path.empty())
        return true;
    ResumeCheck check = swiss_ ? check_swiss_resume(path, run_info_, *swiss_)
                               : check_resume(path, run_info_, tournament_.games());
    if (!check.refusal.empty()) {
        errors_ << "referee: cannot resume from " << path << ": " << check.refusal
                << ".\nGive another --results file, or the command that wrote this one.\n";
        return false;
    }
    run_line_due_ = !check.has_run_line;
    if (check.done.empty())
        return true;
    std::set<int> done;
    for (const auto& entry : check.done)
        done.insert(entry.game);
    int selected = static_cast<int>(games_.size());
    std::erase_if(games_, [&](const ScheduledGame& g) { return done.contains(g.number); });
    int taken = selected - static_cast<int>(games_.size());
    const auto& jobs = options_.only_games;
    if (swiss_) {
        selected = jobs.empty() ? swiss_->total() : static_cast<int>(jobs.size());
        taken = static_cast<int>(jobs.empty() ? done.size()
                                              : std::count_if(jobs.begin(), jobs.end(), [&](int g) {
                                                    return done.contains(g);
                                                }));
    }
    // A job of a split run sums up nothing; a whole run counts every game,
    // and a Swiss job pairs its round from them.
    if (jobs.empty() || swiss_) {
        for (auto& entry : check.done)
            tournament_.finished(std::move(entry));
        if (tournament_.decided())
            games_.clear();
    }
    // Other jobs' games in a shared file resume nothing of this one.
    if (taken > 0)
        out_ << resume_line(taken, selected, path) << '\n' << std::flush;
    return true;
}

// A Swiss run's next round with games left to play, paired from the games
// so far (a job's one game of it); false when there is none, or the round
// played last did not finish (the run was stopped, or a game came to no
// result).
bool MatchRunner::next_round() {
    if (!swiss_)
        return false;
    auto games = swiss_next_games(*swiss_, tournament_.names(), tournament_.results());
    const int round = games.empty() ? swiss_->rounds + 1 : swiss_->round_of(games.front().number);
    if (round <= round_)
        return false;
    round_ = round;
    const auto& jobs = options_.only_games;
    if (!jobs.empty()) {
        const int last = *std::max_element(jobs.begin(), jobs.end());
        if (swiss_->round_of(last) > round) {
            errors_ << "referee: game " << last << " is of round " << swiss_->round_of(last)
                    << ", and round " << round
                    << " is not finished: run the jobs of --schedule first\n";
            status_ = kUsage;
        }
        std::erase_if(games, [&](const ScheduledGame& g) {
            return std::find(jobs.begin(), jobs.end(), g.number) == jobs.end();
        });
        round_ = swiss_->rounds + 1;  // a job plays its games alone
    }
    games_ = std::move(games);
    return !games_.empty();
}

// A game's results line, after the run's line when the file lacks it.
void MatchRunner::append_game(const records::GameEntry& entry) {
    if (run_line_due_) {
        files_.append(records::run_line(run_info_), errors_);
        run_line_due_ = false;
    }
    files_.append(records::game_line(entry), errors_);
    if (options_.publish && options_.results_path.empty())
        kept_.push_back(entry);
}

// A Swiss round's byes: each written and counted as the win it is.
void MatchRunner::deliver_byes() {
    for (const auto& game : games_) {
        if (game.white != kByeSide)
            continue;
        records::GameEntry entry = bye_entry(game, tournament_.total(), tournament_.names());
        out_ << "Bye in game " << game.number << ": " << entry.black
             << " wins without playing (an odd round leaves one player out)\n";
        append_game(entry);
        tournament_.finished(std::move(entry));
    }
    std::erase_if(games_, [](const ScheduledGame& g) { return g.white == kByeSide; });
}

// Settles how the games still to play are played and shown.
void MatchRunner::prepare() {
    played_.clear();  // a Swiss round keeps nothing of the one before
    played_.resize(games_.size());
    workers_ = std::min(options_.concurrency, static_cast<int>(games_.size()));
    // Boards of games played side by side would run into one another.
    show_boards_ = !options_.quiet && workers_ <= 1;
    seating_ = console_.seating(options_.confinement, show_boards_, color_);
    // The pause after each move is for watching the board.
    if (!show_boards_)
        config_.delay = std::chrono::milliseconds(0);
    const bool person = std::any_of(options_.players.begin(), options_.players.end(),
                                    [](const Player& p) { return is_human(p.argv); });
    ProgressMode mode = ProgressMode::Off;
    if (options_.progress)
        mode = ProgressMode::Lines;
    else if (::isatty(STDOUT_FILENO) == 1 && !show_boards_ && !person && games_.size() > 1)
        mode = ProgressMode::Status;
    progress_.emplace(mode, out_, tournament_.names(), static_cast<int>(games_.size()));
}

int MatchRunner::run() {
    // Checked before anything is written: a file of another run is left as
    // it is.
    if (!resume())
        return kUsage;
    next_round();
    if (status_ != kPlayed)
        return status_;
    prepare();
    // Settled before any file is opened: a run refused here writes nothing.
    std::vector<std::vector<std::string>> commands;
    for (const auto& player : options_.players)
        commands.push_back(player.argv);
    if (!options_.settled &&
        !settle_sandbox(options_.sandbox, options_.game, seating_.confinement, commands, errors_))
        return kStartFailed;
    if (auto failed = files_.open(paths_)) {
        if (const int number = interrupt_signal())
            return kSignalBase + number;
        errors_ << "referee: " << *failed << '\n';
        return kWriteFailed;
    }
    for (const auto& build : options_.builds)
        files_.append(records::build_line(build), errors_);
    // A Swiss run plays round by round, each paired once the one before
    // has ended; any other run is one round of all its games.
    std::size_t ran = 0;
    for (;;) {
        ran += games_.size();
        deliver_byes();
        OrderedJobs jobs;
        jobs.count = static_cast<int>(games_.size());
        jobs.may_start = [this] {
            return interrupt_signal() == 0 && (!options_.hooks.go_on || options_.hooks.go_on());
        };
        jobs.announce = [this](int i) { announce(i); };
        jobs.play = [this](int i) { play(i); };
        jobs.deliver = [this](int i) { return deliver(i); };
        run_in_order(jobs, workers_);
        progress_->hide();
        if (status_ != kPlayed || interrupt_signal() != 0 || !next_round())
            break;
        prepare();
    }

    const int stopped_by = interrupt_signal();
    if (tournament_.total() > 1 && options_.only_games.empty() && status_ == kPlayed) {
        out_ << tournament_.summary() << std::flush;
        // A run that had nothing left to play leaves its file as it was,
        // and one that was stopped sums up nothing there: its file goes on
        // when it is resumed, and the one summary comes at the end.
        if (ran > 0 && stopped_by == 0)
            files_.append(tournament_.summary_json(), errors_);
    }
    if (options_.publish && options_.only_games.empty() && status_ == kPlayed && stopped_by == 0)
        publish();
    if (stopped_by != 0)
        status_ = kSignalBase + stopped_by;
    check_files();
    return status_;
}

void MatchRunner::announce(int i) {
    const std::lock_guard lock(out_mutex_);
    progress_->hide();
    if (tournament_.total() > 1)
        out_ << tournament_.started_line(game(i)) << '\n' << std::flush;
    progress_->show();
}

// On any thread: touches only its own slot of played_.
void MatchRunner::play(int i) {
    const ScheduledGame& scheduled = game(i);
    const std::vector<std::string>& names = tournament_.names();
    const std::string& black = names[scheduled.black];
    const std::string& white = names[scheduled.white];
    Observers observers;
    if (show_boards_)
        observers.add(&view_);
    Played& slot = played_[static_cast<std::size_t>(i)];
    GameLogging log;
    if (auto failed = log.open(paths_.log.path, files_.log_sink.get(), scheduled.number,
                               {black, white}, origin_, options_.error_cap)) {
        slot.failure = "the log file: " + *failed;
        return;
    }
    log.watch(observers);
    // Where the referee's other notices go, as soon as they come.
    NoticeHook notices([&](rules::Side /*side*/, std::string_view text) {
        const std::lock_guard lock(out_mutex_);
        progress_->hide();
        errors_ << "referee: game " << scheduled.number << " (" << black << " vs " << white
                << "): " << text << '\n'
                << std::flush;
        progress_->show();
    });
    observers.add(&notices);
    PlayerLogs player_logs;
    if (!options_.player_logs_dir.empty()) {
        if (auto failed =
                player_logs.open(options_.player_logs_dir, scheduled.number, {black, white},
                                 origin_, options_.error_cap, observers)) {
            slot.failure = "the player logs: " + *failed;
            return;
        }
    }
    {
        const std::lock_guard lock(out_mutex_);
        progress_->hide();
        progress_->started(scheduled.number, tournament_.total(), scheduled.black, scheduled.white);
    }
    try {
        slot.result =
            options_.hooks.play
                ? options_.hooks.play(scheduled)
                : play_commands(config_, options_.players[scheduled.black].argv,
                                options_.players[scheduled.white].argv, observers, seating_);
    } catch (const StartError& error) {
        slot.start_error = error.what();
        return;
    } catch (const std::exception& error) {
        // On a worker thread an escaping exception would end the referee
        // without a word: report it in game order instead.
        slot.failure = error.what();
        return;
    }
    if (auto why = log.finish(scheduled.number, slot.result))
        slot.failure = *why;
    if (auto why = player_logs.finish(slot.result))
        slot.failure = "the player logs: " + *why;
    const std::lock_guard lock(out_mutex_);
    progress_->hide();
    progress_->finished(scheduled.number, tournament_.total(), scheduled.black, scheduled.white,
                        slot.result.outcome.result(), slot.result.usage);
}

bool MatchRunner::deliver(int i) {
    const std::lock_guard lock(out_mutex_);
    progress_->hide();
    // The status line comes back below whatever this game adds.
    struct ShowAgain {
        Progress& progress;
        ~ShowAgain() { progress.show(); }
    } show_again{*progress_};
    const ScheduledGame& scheduled = game(i);
    const Played& slot = played_[static_cast<std::size_t>(i)];
    if (!slot.start_error.empty()) {
        errors_ << "referee: cannot start a player: " << slot.start_error << '\n';
        status_ = kStartFailed;
        return false;
    }
    if (!slot.failure.empty()) {
        errors_ << "referee: game " << scheduled.number << " failed: " << slot.failure << '\n';
        status_ = kWriteFailed;
        return false;
    }
    const std::vector<std::string>& names = tournament_.names();
    const GameResult& result = slot.result;
    const std::string line = result_line(scheduled.number, names[scheduled.black],
                                         names[scheduled.white], result.outcome);
    out_ << line << '\n';
    view_.note(line);
    records::GameEntry entry = make_entry(scheduled.number, tournament_.total(),
                                          names[scheduled.black], names[scheduled.white], result);
    append_game(entry);
    // The standings need results, not moves: a long match keeps no game's
    // moves once its line is written.
    records::drop_moves(entry);
    tournament_.finished(std::move(entry));
    if (options_.hooks.counted)
        options_.hooks.counted(scheduled, result, tournament_);
    if (tournament_.total() > 1 || result.outcome.reason == EndReason::Interrupted)
        show_score();
    out_ << std::flush;
    record_game(scheduled, result);
    ++delivered_;
    if (options_.standings_every > 0 && delivered_ % options_.standings_every == 0 &&
        delivered_ < static_cast<int>(games_.size()))
        show_standings();
    if (tournament_.decided() && scheduled.number < tournament_.total()) {
        out_ << "The SPRT has decided after game " << scheduled.number << " of "
             << tournament_.total() << ": no more games.\n";
        return false;
    }
    return true;
}

// The running score of a match of two.
void MatchRunner::show_score() {
    const std::vector<std::string>& names = tournament_.names();
    if (names.size() != 2)
        return;
    const std::string score = score_line(names[0], names[1], tournament_.standings().against(0, 1));
    out_ << score << '\n';
    view_.note(score);
}

// The whole run: the results file holds every game with its moves, those
// of an earlier part of a resumed run too, and the players' builds.
void MatchRunner::publish() {
    records::ReadResults run;
    if (options_.results_path.empty()) {
        run.games = std::move(kept_);
        run.builds = options_.builds;
    } else {
        run = records::merge_results({options_.results_path});
    }
    const Standings standings = tournament_.standings();
    if (!options_.publish({run.games, run.builds, standings}, out_, errors_))
        status_ = kWriteFailed;
}

// "Standings after 6 of 12 games:" and the summary so far.
void MatchRunner::show_standings() {
    const Standings standings = tournament_.standings();
    int finished = 0;
    for (const auto& row : standings.rows)
        finished += row.score.games();
    finished /= 2;
    out_ << "Standings after " << finished << " of " << tournament_.total() << " games:\n"
         << tournament_.summary() << std::flush;
}

void MatchRunner::record_game(const ScheduledGame& scheduled, const GameResult& result) {
    const bool own = per_game(paths_.record.path);
    if (!files_.record.is_open() && !own)
        return;
    const std::vector<std::string>& names = tournament_.names();
    const RecordInfo info{"referee game " + std::to_string(scheduled.number),
                          names[scheduled.black],
                          names[scheduled.white],
                          options_.game.rows,
                          options_.game.columns,
                          options_.game.time_control};
    std::ostringstream text;
    write_record(text, info, result);
    if (own) {
        OutputFile file;
        const std::string path = for_game(paths_.record.path, scheduled.number);
        auto failed = open_own(file, path);
        if (!failed)
            failed = file.write(text.str());
        if (failed) {
            errors_ << "referee: the record file: " << *failed << '\n';
            record_failed_ = true;
        }
        return;
    }
    if (!files_.record_failure)
        files_.record_failure = files_.record.write(text.str());
}

// A file that could not be written fails a run that had nothing else wrong.
void MatchRunner::check_files() {
    const auto failed = [&](const std::string& why) {
        errors_ << "referee: " << why << "\n";
        status_ = status_ == kPlayed ? kWriteFailed : status_;
    };
    if (files_.record_failure)
        failed(*files_.record_failure);
    if (files_.log_sink) {
        if (const auto why = files_.log_sink->failure())
            failed(*why);
    }
    if (files_.results_failed || record_failed_)
        status_ = status_ == kPlayed ? kWriteFailed : status_;
}

}  // namespace

int total_games(const MatchOptions& options) {
    if (options.kind == TournamentKind::Swiss)
        return SwissPlan{static_cast<int>(options.players.size()), options.rounds, options.games}
            .total();
    return static_cast<int>(
        schedule_games(static_cast<int>(options.players.size()), options.kind, options.games)
            .size());
}

std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome) {
    return "Finished game " + std::to_string(game) + " (" + black + " vs " + white +
           "): " + outcome.result().text() + " {" + outcome.describe() + "}";
}

int run_match(const MatchOptions& options, std::ostream& out, std::ostream& errors) {
    MatchRunner runner(options, out, errors);
    return runner.run();
}

int print_schedule(const MatchOptions& options, const std::string& referee, std::ostream& out,
                   std::ostream& errors) {
    ScheduleRequest request;
    request.referee = referee;
    request.options = options.game_options;
    request.kind = options.kind;
    request.games_per_pairing = options.games;
    const auto names = shown_names(options);
    // Absolute paths throughout, so a job runs the same from any folder.
    for (std::size_t i = 0; i < options.players.size(); ++i) {
        const Player& player = options.players[i];
        request.players.push_back({names[i], absolute_command(player.command, player.argv), {}});
    }
    request.results_path = absolute_path(options.results_path);
    request.files = options.job_files;
    request.batch = options.batch;
    if (options.kind == TournamentKind::Swiss) {
        const SwissPlan plan{static_cast<int>(names.size()), options.rounds, options.games};
        const ResumeCheck check =
            check_swiss_resume(options.results_path, run_info(options, names), plan);
        if (!check.refusal.empty()) {
            errors << "referee: cannot schedule from " << options.results_path << ": "
                   << check.refusal << '\n';
            return kUsage;
        }
        request.rounds = options.rounds;
        for (const auto& game : swiss_next_games(plan, names, check.done))
            request.numbers.push_back(game.number);
        if (request.numbers.empty())
            return kPlayed;  // every round is finished
    }
    for (const auto& line : schedule_commands(request))
        out << line << '\n';
    out << std::flush;
    return kPlayed;
}

}  // namespace referee
