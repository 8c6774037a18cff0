#include "referee/check/check.h"

#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "referee/check/checklist.h"
#include "referee/common/interrupt.h"
#include "referee/game/seat.h"
#include "referee/seats/seating.h"
#include "referee/seats/stoppable.h"

namespace referee {
namespace {

double seconds_since(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The bot's seat as the check sees it: the game can be stopped from it,
// and its end shows whether it left on its own once its input ended.
class CheckedSeat : public StoppableSeat {
  public:
    explicit CheckedSeat(std::unique_ptr<Seat> inner)
        : StoppableSeat(*inner), inner_(std::move(inner)) {}

    void close_input() override {
        closed_ = Clock::now();
        StoppableSeat::close_input();
    }
    void signal(int signal_number) override {
        signalled_ = signalled_ || !gone_;
        StoppableSeat::signal(signal_number);
    }
    bool gone() override {
        if (!gone_ && StoppableSeat::gone()) {
            gone_ = Clock::now();
        }
        return gone_.has_value();
    }
    // How it left, and how long after its input ended.
    Leaving leaving(double& after) const {
        const Clock::time_point until = gone_.value_or(Clock::now());
        after = closed_ ? seconds_since(*closed_, until) : 0;
        return signalled_ ? Leaving::Signalled : Leaving::OnItsOwn;
    }

  private:
    std::unique_ptr<Seat> inner_;
    std::optional<Clock::time_point> closed_;
    std::optional<Clock::time_point> gone_;
    bool signalled_ = false;
};

// Hears the game for the bot's side: when its input was last sent, and
// the notice that it waits for input, which ends the check's game at once.
class Watch : public GameObserver {
  public:
    Watch(rules::Side side, std::ostream& errors) : side_(side), errors_(errors) {}
    void attach(CheckedSeat& seat) { seat_ = &seat; }

    void line(rules::Side side, Direction direction, std::string_view /*text*/) override {
        if (side == side_ && direction == Direction::ToPlayer)
            sent_ = Clock::now();
    }
    void notice(rules::Side side, std::string_view text) override {
        errors_ << "referee: " << text << '\n' << std::flush;
        if (side != side_ || seat_ == nullptr)
            return;
        waited_after_ = seconds_since(sent_, Clock::now());
        seat_->end(Outcome{EndReason::TimeForfeit, side, "stopped waiting for its move"});
    }
    std::optional<double> waited_after() const { return waited_after_; }

  private:
    rules::Side side_;
    std::ostream& errors_;
    CheckedSeat* seat_ = nullptr;
    Clock::time_point sent_ = Clock::now();
    std::optional<double> waited_after_;
};

CheckedGame play_one(const GameConfig& config, const std::vector<std::string>& bot,
                     const std::vector<std::string>& randombot, rules::Side side,
                     const Seating& seating, std::ostream& errors) {
    CheckedGame checked;
    checked.side = side;
    Watch watch(side, errors);
    std::unique_ptr<CheckedSeat> own;
    try {
        own = std::make_unique<CheckedSeat>(take_seat(side, bot, config, watch, seating));
    } catch (const StartError& error) {
        checked.start_error = error.what();
        return checked;
    }
    watch.attach(*own);
    // Not the bot's to fail: thrown on to the caller.
    const auto other = take_seat(rules::opponent(side), randombot, config, watch, seating);
    Seat& black = side == rules::Side::Black ? static_cast<Seat&>(*own) : *other;
    Seat& white = side == rules::Side::White ? static_cast<Seat&>(*own) : *other;
    checked.result = play_game(config, black, white, watch);
    checked.waited_after = watch.waited_after();
    const Outcome& outcome = checked.result.outcome;
    const bool died = outcome.loser == side && (outcome.reason == EndReason::Exited ||
                                                outcome.reason == EndReason::MemoryLimit);
    checked.leaving = died ? Leaving::GoneBefore : own->leaving(checked.left_after);
    return checked;
}

}  // namespace

std::string program_beside_referee(const std::string& name) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto beside = self.parent_path() / name;
        if (::access(beside.c_str(), X_OK) == 0)
            return beside.string();
    }
    return name;
}

int run_check(const MatchOptions& options, std::ostream& out, std::ostream& errors) {
    const Player& bot = options.players.front();
    const std::string randombot = program_beside_referee("randombot");
    Seating seating;
    seating.confinement = options.confinement;
    std::vector<std::vector<std::string>> commands{bot.argv};
    for (const std::string seed : {"1", "2"})
        commands.push_back({randombot, "--seed", seed});
    if (!settle_sandbox(options.sandbox, options.game, seating.confinement, commands, errors))
        return kStartFailed;
    const GameConfig& game = options.game;
    out << "Checking " << bot.name << " against randombot, as black and as white, on " << game.rows
        << "x" << game.columns << " with " << records::format_time_control(game.time_control)
        << " s a side (--time, --rows and --columns change these).\n"
        << std::flush;
    std::vector<CheckedGame> games;
    for (const rules::Side side : {rules::Side::Black, rules::Side::White}) {
        try {
            games.push_back(
                play_one(game, bot.argv, commands[games.size() + 1], side, seating, errors));
        } catch (const StartError& error) {
            errors << "referee: cannot start randombot: " << error.what() << '\n';
            return kStartFailed;
        }
        if (const int number = interrupt_signal())
            return kSignalBase + number;
    }
    return print_checklist(checklist(games), out) ? kPlayed : kCheckFailed;
}

}  // namespace referee
