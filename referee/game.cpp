#include "referee/game.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <variant>

#include "referee/chess_clock.h"
#include "referee/human.h"
#include "referee/interrupt.h"
#include "referee/player_group.h"
#include "referee/poll_set.h"
#include "referee/repetition.h"

namespace referee {
namespace {

// A stuck pipe to a player is the player's fault, not a reason to wait.
constexpr std::chrono::seconds kWriteTimeout{1};
// How long to wait for the exit status of a player whose output just ended,
// so the result can say how it ended.
constexpr std::chrono::milliseconds kExitStatusWait{300};
// After SIGKILL only a process stuck in the kernel can linger; past this
// the referee gives up waiting rather than hang.
constexpr std::chrono::seconds kKillWait{5};
// Processes outside the players' pipes and pidfds cannot wake a poll, so
// the end of a game looks for them this often.
constexpr int kStrayPollMs = 10;
// A player's standard error line is cut into pieces of this size in the log,
// so a player that never writes a newline cannot grow our memory.
constexpr std::size_t kMaxErrorLine = 1000;
// How much of a player's last standard error line a reason quotes: enough
// for a message, not for a dump.
constexpr std::size_t kReasonErrorLine = 200;

std::size_t slot(Side side) {
    return side == Side::Black ? 0 : 1;
}

// Names the bound, so a side that lost with time on its clock sees why.
Outcome move_timeout(const ChessClock& clock, Side mover) {
    char limit[64];
    std::snprintf(limit, sizeof limit, "the limit is %g s", clock.per_move());
    return Outcome{EndReason::MoveTimeout, mover, limit};
}

int millis_between(Clock::time_point now, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000));
}

int millis_until(Clock::time_point deadline) {
    return millis_between(Clock::now(), deadline);
}

// A side is played either by a program (`process`) or by a person at the
// terminal (`human`). A person's seat has no pipes: it neither exits nor
// writes out of turn, and is only listened to while it is to move.
struct Seat {
    Side side = Side::Black;
    std::unique_ptr<ChildProcess> process;
    std::unique_ptr<HumanSeat> human;
    std::string out;              // standard output not yet taken as a line
    std::string error_line;       // unfinished line of standard error, for the log
    std::string last_error;       // last line of standard error, for the reason
    bool last_error_done = true;  // a newline ended last_error
    bool out_open = true;
    bool err_open = true;
    bool exited = false;  // the player itself is gone (and reaped)
};

enum class Stream { Output, Error, Exit, Interrupt, Keyboard };

struct Ready {
    Seat* seat;
    Stream stream;
};

using LineOrEnd = std::variant<std::string, Outcome>;

class Game {
  public:
    Game(const GameConfig& config, GameObserver& observer)
        : config_(config), observer_(observer), tag_(new_game_tag()) {
        seats_[0].side = Side::Black;
        seats_[1].side = Side::White;
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    Game(Game&&) = delete;
    Game& operator=(Game&&) = delete;
    ~Game() { end_players(); }

    GameResult run(const PlayerSpec& black, const PlayerSpec& white);

  private:
    Seat& seat(Side side) { return seats_[slot(side)]; }

    Outcome play(Board& board, GameResult& result);
    // The game clock's time: the configured source, or the steady clock.
    Clock::time_point now() const { return config_.now ? config_.now() : Clock::now(); }
    LineOrEnd await_line(Side mover, Clock::time_point deadline);
    void pause_between_moves() const;
    std::optional<Outcome> send(Side side, const std::string& text);
    PollSet<Ready> poll_set(const std::vector<Seat*>& seats);
    void handle(const Ready& ready);
    void read_output(Seat& seat);
    long read_error(Seat& seat);
    void note_exit(Seat& seat);
    void remember_error_text(Seat& seat, std::string_view chunk);
    Outcome ended_output(Seat& seat);
    Outcome gone(EndReason reason, Seat& seat, std::string status);
    void end_players();
    void signal_all(int signal_number);
    bool wait_for_exit(Clock::time_point deadline, int resend_signal);
    std::vector<pid_t> leaders() const;

    const GameConfig& config_;
    GameObserver& observer_;
    const std::string tag_;
    std::array<Seat, 2> seats_;
    bool ended_ = false;
    std::set<pid_t> strays_;                // descendants seen so far, until they are gone
    unsigned long long started_after_ = 0;  // start time of the first player
};

GameResult Game::run(const PlayerSpec& black, const PlayerSpec& white) {
    GameResult result;
    result.started = std::chrono::system_clock::now();
    for (Side side : {Side::Black, Side::White}) {
        const PlayerSpec& spec = side == Side::Black ? black : white;
        if (is_human(spec.argv)) {
            if (config_.terminal == nullptr)
                throw StartError("no terminal to play human at");
            seat(side).human = std::make_unique<HumanSeat>(*config_.terminal);
            continue;
        }
        seat(side).process =
            std::make_unique<ChildProcess>(Launch{spec.argv, tag_, config_.player_memory_bytes});
    }

    Board board = Board::starting(config_.rows, config_.columns);
    std::array<double, 2> clocks{};
    for (Side side : {Side::Black, Side::White}) {
        const bool own = seat(side).human && config_.human_time_seconds > 0;
        clocks[slot(side)] = own ? config_.human_time_seconds : config_.time_seconds;
    }
    observer_.started(board, clocks);
    result.outcome = play(board, result);
    for (Seat& s : seats_) {
        if (s.human)
            s.human->leave();
    }
    end_players();
    result.final_board = board;
    result.ended = std::chrono::system_clock::now();
    return result;
}

Outcome Game::play(Board& board, GameResult& result) {
    ChessClock clock(ChessClock::Seconds(config_.time_seconds), config_.margin,
                     ChessClock::Seconds(config_.increment_seconds),
                     ChessClock::Seconds(config_.move_seconds));
    // A person may get a clock of their own; a program still hears its own
    // time in the header.
    for (Side side : {Side::Black, Side::White}) {
        if (seat(side).human && config_.human_time_seconds > 0)
            clock.allow(side, ChessClock::Seconds(config_.human_time_seconds));
    }
    result.clock_left = clock.left();
    for (Side side : {Side::Black, Side::White}) {
        const protocol::Header header{side == Side::Black ? 1 : 2, config_.rows, config_.columns,
                                      config_.time_seconds};
        if (auto failed = send(side, protocol::format_header(header)))
            return *failed;
    }
    // Black's clock runs from the moment its header was sent.
    clock.start(Side::Black, now());
    RepetitionTable repetitions(board);
    Side mover = Side::Black;

    for (int ply = 1;; ++ply) {
        // A side that cannot move has lost: waiting for it would only run
        // its clock down or leave the result to whatever its process does.
        if (!rules::has_legal_move(board, mover, config_.rules))
            return Outcome{EndReason::NoLegalMove, mover, ""};
        if (HumanSeat* person = seat(mover).human.get()) {
            std::optional<PlayedMove> last;
            if (!result.moves.empty())
                last = result.moves.back();
            person->begin(
                {board, mover, config_.rules, ply - 1, last, clock.left(), clock.started()});
        }
        LineOrEnd got = await_line(mover, clock.deadline());
        if (auto* end = std::get_if<Outcome>(&got)) {
            if (end->reason == EndReason::TimeForfeit && clock.move_bound_first())
                return move_timeout(clock, mover);
            return *end;
        }
        const std::string& raw = std::get<std::string>(got);
        const double took = clock.stop(now());
        result.clock_left = clock.left();
        observer_.line(mover, Direction::FromPlayer, raw);
        if (clock.flagged(mover))
            return Outcome{EndReason::TimeForfeit, mover, ""};
        if (clock.over_move_bound(took))
            return move_timeout(clock, mover);

        std::string why;
        const auto move = protocol::parse_move(raw, &why);
        if (!move)
            return Outcome{EndReason::MalformedLine, mover, quote(raw) + " (" + why + ")"};
        if (auto refusal = rules::refusal(board, mover, *move, config_.rules)) {
            return Outcome{EndReason::IllegalMove, mover, quote(raw) + " (" + *refusal + ")"};
        }
        // A second line in the same turn is a move out of turn.
        if (!seat(mover).out.empty()) {
            return Outcome{EndReason::OutOfTurn, mover, quote(seat(mover).out)};
        }

        board.apply(*move);
        result.moves.push_back({mover, *move, took});
        observer_.moved(board, result.moves.back(), ply, result.clock_left);

        const Side next = opponent(mover);
        for (Side side : {next, mover}) {
            const int halls = board.town_halls(side);
            if (halls <= config_.town_hall_limit) {
                return Outcome{EndReason::TownHallsLost, side,
                               std::to_string(halls) + " of them left"};
            }
        }
        if (config_.repetition_draws && repetitions.record(board, result.moves) >= 3) {
            return Outcome{EndReason::Repetition, std::nullopt, "after ply " + std::to_string(ply)};
        }
        if (ply >= config_.ply_limit) {
            return Outcome{EndReason::PlyLimit, std::nullopt, std::to_string(ply) + " plies"};
        }

        // Whatever the opponent wrote before it was sent this move was
        // written out of turn: it cannot have been an answer to it.
        Seat& other = seat(next);
        while (other.process && other.out_open && other.out.size() <= config_.max_line) {
            const long got_bytes = read_available(other.process->output_fd(), other.out);
            if (got_bytes < 0)
                break;
            if (got_bytes == 0)
                other.out_open = false;
        }
        if (!other.out.empty())
            return Outcome{EndReason::OutOfTurn, next, quote(other.out)};
        if (other.process && (!other.out_open || other.process->reaped()))
            return ended_output(other);

        pause_between_moves();

        if (auto failed = send(next, protocol::format_move(*move)))
            return *failed;
        clock.start(next, now());
        mover = next;
    }
}

// A person reads the position off the board, not lines: nothing is sent.
std::optional<Outcome> Game::send(Side side, const std::string& text) {
    Seat& target = seat(side);
    if (!target.process)
        return std::nullopt;
    observer_.line(side, Direction::ToPlayer, text);
    if (target.process->write_all(text + "\n", Clock::now() + kWriteTimeout))
        return std::nullopt;
    if (target.process->wait_until(Clock::now() + kExitStatusWait))
        return gone(EndReason::Exited, target, target.process->status_text());
    return gone(EndReason::ClosedInput, target, "");
}

PollSet<Ready> Game::poll_set(const std::vector<Seat*>& seats) {
    PollSet<Ready> set;
    for (Seat* s : seats) {
        if (!s->process)
            continue;
        if (s->out_open)
            set.add(s->process->output_fd(), {s, Stream::Output});
        if (s->err_open)
            set.add(s->process->error_fd(), {s, Stream::Error});
        if (!s->exited)
            set.add(s->process->exit_fd(), {s, Stream::Exit});
    }
    set.add(interrupt_fd(), {nullptr, Stream::Interrupt});
    return set;
}

void Game::handle(const Ready& ready) {
    switch (ready.stream) {
        case Stream::Output:
            read_output(*ready.seat);
            break;
        case Stream::Error:
            read_error(*ready.seat);
            break;
        case Stream::Keyboard:
            config_.terminal->keyboard->read_once();
            break;
        case Stream::Exit:
        case Stream::Interrupt:
            break;  // seen where the loops look at exits and the signal flag
    }
}

LineOrEnd Game::await_line(Side mover, Clock::time_point deadline) {
    Seat& own = seat(mover);
    Seat& other = seat(opponent(mover));
    while (true) {
        if (const int number = interrupt_signal())
            return Outcome{EndReason::Interrupted, std::nullopt, signal_text(number)};
        // A player's exit counts at once, even while something it started
        // still holds its pipes open; what it wrote before is read first.
        for (Seat* s : {&own, &other}) {
            if (s->process && !s->exited && s->process->reaped())
                note_exit(*s);
        }
        if (!other.out.empty()) {
            return Outcome{EndReason::OutOfTurn, other.side, quote(other.out)};
        }
        if (own.human) {
            if (auto answer = own.human->answer(now()))
                return *answer;
        }
        const auto newline = own.out.find('\n');
        if (newline != std::string::npos && newline <= config_.max_line) {
            std::string line = own.out.substr(0, newline);
            own.out.erase(0, newline + 1);
            return line;
        }
        if (own.out.size() > config_.max_line) {
            return Outcome{EndReason::LineTooLong, mover,
                           "more than " + std::to_string(config_.max_line) + " bytes, starting " +
                               quote(own.out, 30)};
        }
        if (!own.out_open || own.exited) {
            if (own.out.empty())
                return ended_output(own);
            Outcome end = ended_output(own);
            end.reason = EndReason::PartialLine;
            end.detail = quote(own.out) + " (" + end.detail + ")";
            return end;
        }
        if (!other.out_open || other.exited)
            return ended_output(other);
        const int timeout = millis_between(now(), deadline);
        if (timeout == 0)
            return Outcome{EndReason::TimeForfeit, mover, ""};
        // Without pidfds an exit shows only through waitpid: look again soon.
        const bool exits_wake_us = std::all_of(seats_.begin(), seats_.end(), [](const Seat& s) {
            return !s.process || s.process->exit_fd() >= 0;
        });
        PollSet<Ready> set = poll_set({&own, &other});
        if (own.human)
            set.add(config_.terminal->keyboard->fd(), {&own, Stream::Keyboard});
        for (const Ready& ready : set.wait(exits_wake_us ? timeout : std::min(timeout, 10)))
            handle(ready);
    }
}

// Waits on the signal pipe alone, so a stop still ends the game at once.
void Game::pause_between_moves() const {
    if (config_.delay.count() <= 0)
        return;
    PollSet<Ready> set;
    set.add(interrupt_fd(), {nullptr, Stream::Interrupt});
    set.wait(static_cast<int>(std::min<long long>(config_.delay.count(), 1'000'000)));
}

void Game::read_output(Seat& seat) {
    if (read_available(seat.process->output_fd(), seat.out) == 0) {
        seat.out_open = false;
        seat.process->close_output();
    }
}

// Takes in whatever the exited player wrote before it went, up to one line
// past the limit, without waiting for an end of file that a descendant
// holding the pipe may never give.
void Game::note_exit(Seat& seat) {
    seat.exited = true;
    while (seat.out_open && seat.out.size() <= config_.max_line) {
        const long got = read_available(seat.process->output_fd(), seat.out);
        if (got < 0)
            break;
        if (got == 0) {
            seat.out_open = false;
            seat.process->close_output();
        }
    }
}

// Works a line at a time, not a byte at a time: a player may pour
// hundreds of megabytes into its standard error.
void Game::remember_error_text(Seat& seat, std::string_view chunk) {
    while (!chunk.empty()) {
        const auto newline = chunk.find('\n');
        std::string_view piece = chunk.substr(0, newline);
        while (!piece.empty() && piece.back() == '\r')
            piece.remove_suffix(1);
        if (!piece.empty()) {
            if (seat.last_error_done)
                seat.last_error.clear();
            seat.last_error_done = false;
            const std::size_t room =
                kReasonErrorLine + 1 - std::min(seat.last_error.size(), kReasonErrorLine + 1);
            seat.last_error.append(piece.substr(0, room));
        }
        if (newline == std::string_view::npos)
            return;
        seat.last_error_done = true;
        chunk.remove_prefix(newline + 1);
    }
}

// Returns what read_available() returned.
long Game::read_error(Seat& seat) {
    std::string chunk;
    const long got = read_available(seat.process->error_fd(), chunk);
    if (got < 0)
        return got;
    remember_error_text(seat, chunk);
    const bool wanted = observer_.wants_error_output();
    if (got == 0) {
        seat.err_open = false;
        seat.process->close_error();
        if (wanted && !seat.error_line.empty())
            observer_.error_output(seat.side, seat.error_line);
        seat.error_line.clear();
        return got;
    }
    if (!wanted)
        return got;
    std::string_view rest = chunk;
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        const std::size_t room = kMaxErrorLine - seat.error_line.size();
        const std::size_t take = std::min({newline, room, rest.size()});
        seat.error_line.append(rest.substr(0, take));
        rest.remove_prefix(take);
        const bool ends_line = take == newline;
        if (ends_line || seat.error_line.size() >= kMaxErrorLine) {
            observer_.error_output(seat.side, seat.error_line);
            seat.error_line.clear();
        }
        if (ends_line)
            rest.remove_prefix(1);
    }
    return got;
}

Outcome Game::ended_output(Seat& seat) {
    if (seat.process->wait_until(Clock::now() + kExitStatusWait))
        return gone(EndReason::Exited, seat, seat.process->status_text());
    return gone(EndReason::ClosedOutput, seat, "");
}

// A player that exits, dies or stops reading usually said why on its
// standard error just before: the reason quotes that last line, so a user
// sees it without opening the log.
Outcome Game::gone(EndReason reason, Seat& seat, std::string status) {
    // What is there now, bounded: a descendant may keep writing for ever.
    for (int chunk = 0; chunk < 64 && seat.err_open && read_error(seat) > 0; ++chunk) {
    }
    if (!seat.last_error.empty()) {
        const std::string said = quote(seat.last_error, kReasonErrorLine);
        status = status.empty() ? said : status + " (" + said + ")";
    }
    return Outcome{reason, seat.side, status};
}

std::vector<pid_t> Game::leaders() const {
    std::vector<pid_t> pids;
    for (const Seat& s : seats_) {
        if (s.process)
            pids.push_back(s.process->pid());
    }
    return pids;
}

// End of input first, since both players leave on their own when their
// input ends; a termination signal for what does not, and a kill for what
// ignores that too. Each stage covers everything the players started. A
// referee that was itself stopped does not wait for the polite stage.
// Standard error keeps being drained meanwhile, so a chatty player is never
// stuck on a full pipe while we wait for it.
void Game::end_players() {
    if (ended_)
        return;
    ended_ = true;
    for (Seat& s : seats_) {
        if (s.process)
            s.process->close_input();
    }
    if (interrupt_signal() == 0 && wait_for_exit(Clock::now() + config_.exit_grace, 0))
        return;
    signal_all(SIGTERM);
    if (wait_for_exit(Clock::now() + config_.term_grace, 0))
        return;
    wait_for_exit(Clock::now() + kKillWait, SIGKILL);
}

// The group as a whole, while its leader lives or a member is left (the
// group id cannot be taken by anyone else until the last one is gone), and
// each process found by its tag or session one by one.
void Game::signal_all(int signal_number) {
    const auto found = find_game_processes(leaders(), tag_, started_after_);
    for (Seat& s : seats_) {
        if (!s.process)
            continue;
        const pid_t leader = s.process->pid();
        const bool members_left = std::any_of(found.begin(), found.end(), [&](const auto& p) {
            return p.group == leader && !p.zombie;
        });
        if (!s.process->reaped() || members_left)
            s.process->signal_group(signal_number);
    }
    for (const GameProcess& p : found) {
        if (!p.zombie)
            ::kill(p.pid, signal_number);
    }
}

// Looks for the players' descendants only once both players are gone: a
// player's exit wakes us through its pidfd, a descendant's would not, and a
// look through /proc is far dearer than a poll.
bool Game::wait_for_exit(Clock::time_point deadline, int resend_signal) {
    const std::vector<pid_t> players = leaders();
    while (true) {
        if (resend_signal != 0)
            signal_all(resend_signal);
        bool all_gone = true;
        for (Seat& s : seats_) {
            if (s.process && !s.process->reaped())
                all_gone = false;
        }
        if (all_gone || resend_signal != 0) {
            for (const GameProcess& p : find_game_processes(players, tag_, started_after_)) {
                if (std::find(players.begin(), players.end(), p.pid) == players.end())
                    strays_.insert(p.pid);
            }
        }
        // A stray that died is a zombie until its parent reaps it; as their
        // subreaper that parent is often us.
        for (auto it = strays_.begin(); it != strays_.end();) {
            reap_stray(*it);
            if (::kill(*it, 0) != 0 && errno == ESRCH) {
                it = strays_.erase(it);
            } else {
                all_gone = false;
                ++it;
            }
        }
        if (all_gone)
            return true;
        int timeout = millis_until(deadline);
        if (timeout == 0)
            return false;
        const bool exits_wake_us = std::all_of(seats_.begin(), seats_.end(), [](const Seat& s) {
            return !s.process || s.process->reaped() || s.process->exit_fd() >= 0;
        });
        if (!exits_wake_us || !strays_.empty() || resend_signal != 0)
            timeout = std::min(timeout, kStrayPollMs);
        std::vector<Seat*> started;
        for (Seat& s : seats_) {
            if (s.process)
                started.push_back(&s);
        }
        for (const Ready& ready : poll_set(started).wait(timeout)) {
            if (ready.stream == Stream::Output) {
                ready.seat->out.clear();  // the game is over; moves no longer count
                read_output(*ready.seat);
                ready.seat->out.clear();
            } else {
                handle(ready);
            }
        }
    }
}

}  // namespace

GameResult play_game(const GameConfig& config, const PlayerSpec& black, const PlayerSpec& white,
                     GameObserver& observer) {
    Game game(config, observer);
    return game.run(black, white);
}

}  // namespace referee
