#include "referee/game.h"

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <map>
#include <memory>
#include <variant>

namespace referee {
namespace {

using Seconds = std::chrono::duration<double>;

// A stuck pipe to a player is the player's fault, not a reason to wait.
constexpr std::chrono::seconds kWriteTimeout{1};
// How long to wait for the exit status of a player whose output just ended,
// so the result can say how it ended.
constexpr std::chrono::milliseconds kExitStatusWait{300};
// A player's standard error line is cut into pieces of this size in the log,
// so a player that never writes a newline cannot grow our memory.
constexpr std::size_t kMaxErrorLine = 1000;

std::size_t slot(Side side) {
    return side == Side::Black ? 0 : 1;
}

int millis_until(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000));
}

struct Seat {
    Side side = Side::Black;
    std::unique_ptr<ChildProcess> process;
    std::string out;         // standard output not yet taken as a line
    std::string error_line;  // unfinished line of standard error
    bool out_open = true;
    bool err_open = true;
};

using LineOrEnd = std::variant<std::string, Outcome>;

class Game {
  public:
    Game(const GameConfig& config, GameObserver& observer) : config_(config), observer_(observer) {
        seats_[0].side = Side::Black;
        seats_[1].side = Side::White;
    }

    GameResult run(const PlayerSpec& black, const PlayerSpec& white);

  private:
    Seat& seat(Side side) { return seats_[slot(side)]; }

    std::optional<Outcome> play(Board& board, GameResult& result);
    LineOrEnd await_line(Side mover, Clock::time_point deadline);
    std::optional<Outcome> send(Side side, const std::string& text);
    void read_output(Seat& seat);
    void read_error(Seat& seat);
    Outcome ended_output(Seat& seat);
    void end_players();
    bool wait_for_exit(Clock::time_point deadline);

    const GameConfig& config_;
    GameObserver& observer_;
    std::array<Seat, 2> seats_;
};

GameResult Game::run(const PlayerSpec& black, const PlayerSpec& white) {
    GameResult result;
    result.started = std::chrono::system_clock::now();
    seat(Side::Black).process = std::make_unique<ChildProcess>(black.argv);
    seat(Side::White).process = std::make_unique<ChildProcess>(white.argv);

    Board board = Board::starting(config_.rows, config_.columns);
    observer_.started(board);
    result.clock_left = {static_cast<double>(config_.time_seconds),
                         static_cast<double>(config_.time_seconds)};
    result.outcome = *play(board, result);
    end_players();
    result.final_board = board;
    result.ended = std::chrono::system_clock::now();
    return result;
}

std::optional<Outcome> Game::play(Board& board, GameResult& result) {
    for (Side side : {Side::Black, Side::White}) {
        const protocol::Header header{side == Side::Black ? 1 : 2, config_.rows, config_.columns,
                                      config_.time_seconds};
        if (auto failed = send(side, protocol::format_header(header)))
            return failed;
    }
    // Black's clock runs from the moment its header was sent.
    auto turn_start = Clock::now();
    std::map<std::string, int> seen{{board.key(Side::Black), 1}};
    const Seconds margin = config_.margin;
    Side mover = Side::Black;

    for (int ply = 1;; ++ply) {
        double& clock = result.clock_left[slot(mover)];
        const auto deadline =
            turn_start + std::chrono::duration_cast<Clock::duration>(Seconds(clock) + margin);
        LineOrEnd got = await_line(mover, deadline);
        if (auto* end = std::get_if<Outcome>(&got))
            return *end;
        const std::string& raw = std::get<std::string>(got);
        const double took = Seconds(Clock::now() - turn_start).count();
        clock -= took;
        observer_.line(mover, Direction::FromPlayer, raw);
        if (clock < -margin.count())
            return Outcome{EndReason::TimeForfeit, mover, ""};

        std::string why;
        const auto move = protocol::parse_move(raw, &why);
        if (!move)
            return Outcome{EndReason::MalformedLine, mover, quote(raw) + " (" + why + ")"};
        if (auto refusal = board.refusal(*move, mover)) {
            return Outcome{EndReason::IllegalMove, mover, quote(raw) + " (" + *refusal + ")"};
        }
        // A second line in the same turn is a move out of turn.
        if (!seat(mover).out.empty()) {
            return Outcome{EndReason::OutOfTurn, mover, quote(seat(mover).out)};
        }

        board.apply(*move);
        const std::string text = protocol::format_move(*move);
        result.moves.push_back({mover, text, took});
        observer_.moved(board, result.moves.back(), ply, result.clock_left);

        const Side next = opponent(mover);
        for (Side side : {next, mover}) {
            const int halls = board.town_halls(side);
            if (halls <= config_.town_hall_limit) {
                return Outcome{EndReason::TownHallsLost, side,
                               std::to_string(halls) + " of them left"};
            }
        }
        if (config_.repetition_draws && ++seen[board.key(next)] >= 3) {
            return Outcome{EndReason::Repetition, std::nullopt, "after ply " + std::to_string(ply)};
        }
        if (ply >= config_.ply_limit) {
            return Outcome{EndReason::PlyLimit, std::nullopt, std::to_string(ply) + " plies"};
        }

        // Whatever the opponent wrote before it was sent this move was
        // written out of turn: it cannot have been an answer to it.
        Seat& other = seat(next);
        while (other.out_open && other.out.size() <= config_.max_line) {
            const long got_bytes = read_available(other.process->output_fd(), other.out);
            if (got_bytes < 0)
                break;
            if (got_bytes == 0)
                other.out_open = false;
        }
        if (!other.out.empty())
            return Outcome{EndReason::OutOfTurn, next, quote(other.out)};
        if (!other.out_open)
            return ended_output(other);

        if (auto failed = send(next, text))
            return failed;
        turn_start = Clock::now();
        mover = next;
    }
}

std::optional<Outcome> Game::send(Side side, const std::string& text) {
    Seat& target = seat(side);
    observer_.line(side, Direction::ToPlayer, text);
    if (target.process->write_all(text + "\n", Clock::now() + kWriteTimeout))
        return std::nullopt;
    if (target.process->wait_until(Clock::now() + kExitStatusWait)) {
        return Outcome{EndReason::Exited, side, target.process->status_text()};
    }
    return Outcome{EndReason::ClosedInput, side, ""};
}

LineOrEnd Game::await_line(Side mover, Clock::time_point deadline) {
    Seat& own = seat(mover);
    Seat& other = seat(opponent(mover));
    while (true) {
        if (!other.out.empty()) {
            return Outcome{EndReason::OutOfTurn, other.side, quote(other.out)};
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
        if (!own.out_open) {
            if (own.out.empty())
                return ended_output(own);
            Outcome end = ended_output(own);
            end.reason = EndReason::PartialLine;
            end.detail = quote(own.out) + " (" + end.detail + ")";
            return end;
        }
        if (!other.out_open)
            return ended_output(other);
        const int timeout = millis_until(deadline);
        if (timeout == 0)
            return Outcome{EndReason::TimeForfeit, mover, ""};

        pollfd fds[4];
        Seat* owners[4];
        bool is_output[4];
        nfds_t count = 0;
        for (Seat* s : {&own, &other}) {
            if (s->out_open) {
                fds[count] = {s->process->output_fd(), POLLIN, 0};
                owners[count] = s;
                is_output[count++] = true;
            }
            if (s->err_open) {
                fds[count] = {s->process->error_fd(), POLLIN, 0};
                owners[count] = s;
                is_output[count++] = false;
            }
        }
        if (::poll(fds, count, timeout) <= 0)
            continue;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (is_output[i]) {
                read_output(*owners[i]);
            } else {
                read_error(*owners[i]);
            }
        }
    }
}

void Game::read_output(Seat& seat) {
    if (read_available(seat.process->output_fd(), seat.out) == 0) {
        seat.out_open = false;
        seat.process->close_output();
    }
}

void Game::read_error(Seat& seat) {
    std::string chunk;
    const long got = read_available(seat.process->error_fd(), chunk);
    if (got < 0)
        return;
    const bool wanted = observer_.wants_error_output();
    if (got == 0) {
        seat.err_open = false;
        seat.process->close_error();
        if (wanted && !seat.error_line.empty())
            observer_.error_output(seat.side, seat.error_line);
        seat.error_line.clear();
        return;
    }
    if (!wanted)
        return;
    for (char c : chunk) {
        if (c == '\n' || seat.error_line.size() >= kMaxErrorLine) {
            observer_.error_output(seat.side, seat.error_line);
            seat.error_line.clear();
            if (c == '\n')
                continue;
        }
        seat.error_line += c;
    }
}

Outcome Game::ended_output(Seat& seat) {
    if (seat.process->wait_until(Clock::now() + kExitStatusWait)) {
        return Outcome{EndReason::Exited, seat.side, seat.process->status_text()};
    }
    return Outcome{EndReason::ClosedOutput, seat.side, ""};
}

// End of input first, since both players leave on their own when their
// input ends; a termination signal for one that does not, and a kill for
// one that ignores that too. Standard error keeps being drained meanwhile,
// so a chatty player is never stuck on a full pipe while we wait for it.
void Game::end_players() {
    for (Seat& s : seats_)
        s.process->close_input();
    if (wait_for_exit(Clock::now() + config_.exit_grace))
        return;
    for (Seat& s : seats_)
        s.process->send_signal(SIGTERM);
    if (wait_for_exit(Clock::now() + config_.term_grace))
        return;
    for (Seat& s : seats_)
        s.process->send_signal(SIGKILL);
    wait_for_exit(Clock::time_point::max());
}

bool Game::wait_for_exit(Clock::time_point deadline) {
    while (true) {
        pollfd fds[6];
        Seat* owners[6];
        int kinds[6];  // 0 output, 1 error, 2 exit
        nfds_t count = 0;
        bool all_gone = true;
        bool can_sleep_on_exit = true;
        for (Seat& s : seats_) {
            if (s.process->reaped())
                continue;
            all_gone = false;
            if (s.out_open) {
                fds[count] = {s.process->output_fd(), POLLIN, 0};
                owners[count] = &s;
                kinds[count++] = 0;
            }
            if (s.err_open) {
                fds[count] = {s.process->error_fd(), POLLIN, 0};
                owners[count] = &s;
                kinds[count++] = 1;
            }
            if (s.process->exit_fd() >= 0) {
                fds[count] = {s.process->exit_fd(), POLLIN, 0};
                owners[count] = &s;
                kinds[count++] = 2;
            } else {
                can_sleep_on_exit = false;
            }
        }
        if (all_gone)
            return true;
        int timeout = deadline == Clock::time_point::max() ? -1 : millis_until(deadline);
        if (timeout == 0)
            return false;
        // Without pidfds an exit shows only through waitpid: look again soon.
        if (!can_sleep_on_exit && (timeout < 0 || timeout > 10))
            timeout = 10;
        if (::poll(fds, count, timeout) <= 0)
            continue;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (kinds[i] == 0) {
                owners[i]->out.clear();  // the game is over; moves no longer count
                read_output(*owners[i]);
                owners[i]->out.clear();
            } else if (kinds[i] == 1) {
                read_error(*owners[i]);
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
