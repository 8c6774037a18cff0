#include "referee/game/game.h"

#include <algorithm>
#include <cstdio>

#include "referee/common/interrupt.h"
#include "referee/common/signal_text.h"
#include "referee/game/chess_clock.h"
#include "referee/game/input_hint.h"
#include "referee/game/repetition.h"
#include "referee/game/seat.h"
#include "referee/game/teardown.h"
#include "referee/game/waiting.h"
#include "text/printable.h"

namespace referee {
namespace {

// Names the bound, so a side that lost with time on its clock sees why.
Outcome move_timeout(const ChessClock& clock, rules::Side mover) {
    char limit[64];
    std::snprintf(limit, sizeof limit, "the limit is %g s", clock.per_move());
    return Outcome{EndReason::MoveTimeout, mover, limit};
}

class Game {
  public:
    Game(const GameConfig& config, Seat& black, Seat& white, GameObserver& observer)
        : config_(config), seats_{&black, &white}, observer_(observer) {}

    GameResult run();

  private:
    Seat& seat(rules::Side side) { return *seats_[rules::side_index(side)]; }
    const Seat& seat(rules::Side side) const { return *seats_[rules::side_index(side)]; }
    // The game clock's time: the configured source, or the steady clock.
    Clock::time_point now() const { return config_.now ? config_.now() : Clock::now(); }

    Outcome play(rules::Board& board, GameResult& result);
    std::optional<Outcome> judge(rules::Board& board, GameResult& result, rules::Side mover,
                                 const std::string& raw, double took, int ply,
                                 RepetitionTable& repetitions);
    LineOrEnd await_line(rules::Side mover, const ChessClock& clock);
    // Whether `side`'s moves cost the CPU time its seat used.
    bool on_cpu(rules::Side side) const;
    // Charges the mover for its move; returns what it took.
    double charge(ChessClock& clock, rules::Side mover);
    // How much longer the mover may wait on the wall clock before its CPU
    // time can have run out; nullopt once it has.
    std::optional<int> cpu_millis_left(const ChessClock& clock, rules::Side mover) const;
    std::optional<Outcome> send(rules::Side side, const std::string& text);
    // What the side not to move did wrong so far: wrote out of turn, or
    // left.
    std::optional<Outcome> waiting_fault(rules::Side side);
    void pause_between_moves() const;

    const GameConfig& config_;
    std::array<Seat*, 2> seats_;
    GameObserver& observer_;
    // Each side's CPU seconds when its last move was charged.
    std::array<double, 2> cpu_charged_{};
    // The wall-clock time each side's clock ran, whatever the clock charged.
    std::array<double, 2> wall_seconds_{};
    // When the turn under way began; none between a move and the next turn.
    std::optional<Clock::time_point> turn_started_;
    rules::Side turn_side_ = rules::Side::Black;
};

GameResult Game::run() {
    GameResult result;
    result.started = std::chrono::system_clock::now();
    rules::Board board = rules::Board::starting(config_.rows, config_.columns);
    std::array<double, 2> clocks{};
    for (rules::Side side : {rules::Side::Black, rules::Side::White})
        clocks[rules::side_index(side)] = config_.starting_seconds(seat(side).is_person());
    observer_.started(board, clocks);
    result.outcome = play(board, result);
    // A game that ended in the middle of a turn: that turn ran the mover's
    // clock too.
    if (turn_started_)
        wall_seconds_[rules::side_index(turn_side_)] +=
            std::chrono::duration<double>(now() - *turn_started_).count();
    // Read before the seats end: what their teardown costs is not theirs.
    for (rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const double wall = wall_seconds_[rules::side_index(side)];
        result.usage[rules::side_index(side)] = seat(side).usage();
        result.usage[rules::side_index(side)].wall_seconds = wall;
    }
    for (Seat* s : seats_)
        s->leave();
    end_seats(seats_, config_);
    result.final_board = board;
    result.ended = std::chrono::system_clock::now();
    return result;
}

Outcome Game::play(rules::Board& board, GameResult& result) {
    const records::TimeControl& control = config_.time_control;
    ChessClock clock(ChessClock::Seconds(control.seconds), config_.margin,
                     ChessClock::Seconds(control.increment),
                     ChessClock::Seconds(control.move_seconds));
    // A person may get a clock of their own; a program still hears its own
    // time in the header.
    for (rules::Side side : {rules::Side::Black, rules::Side::White}) {
        if (seat(side).is_person())
            clock.allow(side, ChessClock::Seconds(config_.starting_seconds(true)));
    }
    result.clock_left = clock.left();
    // The CPU each side has used so far is counted before any header goes
    // out: black starts on its first move as soon as it reads its own, and
    // what it spends while white's is written is its move's too.
    for (rules::Side side : {rules::Side::Black, rules::Side::White})
        cpu_charged_[rules::side_index(side)] = seat(side).cpu_seconds().value_or(0);
    for (rules::Side side : {rules::Side::Black, rules::Side::White}) {
        const protocol::Header header{side == rules::Side::Black ? 1 : 2, config_.rows,
                                      config_.columns, control.seconds};
        if (auto failed = send(side, protocol::format_header(header)))
            return *failed;
    }
    if (config_.freeze_waiting)
        seat(rules::Side::White).hold(true);
    // Black's clock runs from the moment its header was sent.
    clock.start(rules::Side::Black, now());
    turn_started_ = clock.started();
    RepetitionTable repetitions(board);
    rules::Side mover = rules::Side::Black;

    for (int ply = 1;; ++ply) {
        // A side that cannot move has lost: waiting for it would only run
        // its clock down or leave the result to whatever its process does.
        if (!rules::has_legal_move(board, mover, config_.rules))
            return Outcome{EndReason::NoLegalMove, mover, ""};
        std::optional<PlayedMove> last;
        if (!result.moves.empty())
            last = result.moves.back();
        seat(mover).begin_turn(
            {board, mover, config_.rules, ply - 1, last, clock.left(), clock.started()});
        LineOrEnd got = await_line(mover, clock);
        if (auto* end = std::get_if<Outcome>(&got)) {
            if (end->reason == EndReason::TimeForfeit && clock.move_bound_first() && !on_cpu(mover))
                return move_timeout(clock, mover);
            return *end;
        }
        const std::string& raw = std::get<std::string>(got);
        const double took = charge(clock, mover);
        if (config_.freeze_waiting)
            seat(mover).hold(true);
        result.clock_left = clock.left();
        observer_.line(mover, Direction::FromPlayer, raw);
        if (clock.flagged(mover))
            return Outcome{EndReason::TimeForfeit, mover, ""};
        if (!on_cpu(mover) && clock.over_move_bound(took))
            return move_timeout(clock, mover);
        if (auto end = judge(board, result, mover, raw, took, ply, repetitions))
            return *end;

        // Whatever the opponent wrote before it was sent this move was
        // written out of turn: it cannot have been an answer to it.
        const rules::Side next = rules::opponent(mover);
        seat(next).catch_up();
        if (auto end = waiting_fault(next))
            return *end;

        pause_between_moves();

        if (config_.freeze_waiting)
            seat(next).hold(false);
        if (auto failed = send(next, protocol::format_move(result.moves.back().move)))
            return *failed;
        clock.start(next, now());
        turn_started_ = clock.started();
        turn_side_ = next;
        mover = next;
    }
}

// The move line read from `mover`, checked and played; an end when the line
// loses or the position it leads to ends the game.
std::optional<Outcome> Game::judge(rules::Board& board, GameResult& result, rules::Side mover,
                                   const std::string& raw, double took, int ply,
                                   RepetitionTable& repetitions) {
    std::string why;
    const auto move = protocol::parse_move(raw, &why);
    if (!move)
        return Outcome{EndReason::MalformedLine, mover, text::quote(raw) + " (" + why + ")"};
    if (auto refusal = rules::refusal(board, mover, *move, config_.rules))
        return Outcome{EndReason::IllegalMove, mover, text::quote(raw) + " (" + *refusal + ")"};
    // A second line in the same turn is a move out of turn.
    if (auto end = seat(mover).out_of_turn())
        return end;

    board.apply(*move);
    result.moves.push_back({mover, *move, took});
    observer_.moved(board, result.moves.back(), ply, result.clock_left);

    for (rules::Side side : {rules::opponent(mover), mover}) {
        const int halls = board.town_halls(side);
        if (halls <= config_.town_hall_limit)
            return Outcome{EndReason::TownHallsLost, side, std::to_string(halls) + " of them left"};
    }
    if (config_.repetition_draws && repetitions.record(board, result.moves) >= 3)
        return Outcome{EndReason::Repetition, std::nullopt, "after ply " + std::to_string(ply)};
    if (ply >= config_.ply_limit)
        return Outcome{EndReason::PlyLimit, std::nullopt, std::to_string(ply) + " plies"};
    return std::nullopt;
}

std::optional<Outcome> Game::send(rules::Side side, const std::string& text) {
    if (!seat(side).hears_lines())
        return std::nullopt;
    observer_.line(side, Direction::ToPlayer, text);
    return seat(side).tell(text);
}

std::optional<Outcome> Game::waiting_fault(rules::Side side) {
    if (auto end = seat(side).out_of_turn())
        return end;
    return seat(side).departed();
}

bool Game::on_cpu(rules::Side side) const {
    return config_.clock == ClockKind::Cpu && seat(side).cpu_seconds().has_value();
}

double Game::charge(ChessClock& clock, rules::Side mover) {
    const Clock::time_point at = now();
    wall_seconds_[rules::side_index(mover)] +=
        std::chrono::duration<double>(at - clock.started()).count();
    turn_started_.reset();
    if (!on_cpu(mover))
        return clock.stop(at);
    const double used = *seat(mover).cpu_seconds();
    const double took = used - cpu_charged_[rules::side_index(mover)];
    cpu_charged_[rules::side_index(mover)] = used;
    clock.charge(took);
    return took;
}

std::optional<int> Game::cpu_millis_left(const ChessClock& clock, rules::Side mover) const {
    const double used = *seat(mover).cpu_seconds() - cpu_charged_[rules::side_index(mover)];
    const double left = clock.left()[rules::side_index(mover)] +
                        std::chrono::duration<double>(config_.margin).count() - used;
    if (left < 0)
        return std::nullopt;
    // Its quota lets it use no more than `cpus` seconds a second: until
    // then its clock cannot run out. A millisecond more, so that a wait
    // does not end just short of it.
    return static_cast<int>(left / std::max(config_.cpus, 0.001) * 1000) + 1;
}

LineOrEnd Game::await_line(rules::Side mover, const ChessClock& clock) {
    const bool cpu = on_cpu(mover);
    const Clock::time_point deadline = cpu ? clock.backstop() : clock.deadline();
    Seat& own = seat(mover);
    Seat& other = seat(rules::opponent(mover));
    InputHint hint(own, mover);
    while (true) {
        if (const int number = interrupt_signal())
            return Outcome{EndReason::Interrupted, std::nullopt, signal_text(number)};
        if (auto got = own.take_line(now()))
            return *got;
        // The turn is judged before anything the opponent did meanwhile:
        // the mover's line, its fault or its clock decides, and only a move
        // lets the opponent's fault end the game (play() looks before
        // telling it the move). Which of two pipes the referee happened to
        // read first would otherwise decide, and the same two programs
        // could get different verdicts from run to run. Looking takes in
        // the opponent's exit, which would wake every wait at once. A
        // person is not kept waiting for a game already over.
        if (own.is_person()) {
            if (auto end = waiting_fault(rules::opponent(mover)))
                return *end;
        } else {
            other.out_of_turn();
        }
        if (auto notice = hint.look())
            observer_.notice(mover, *notice);
        int timeout = millis_between(now(), deadline);
        if (timeout == 0 && cpu && clock.per_move() > 0)
            return move_timeout(clock, mover);
        if (timeout == 0)
            return Outcome{EndReason::TimeForfeit, mover, cpu ? "on the wall clock" : ""};
        if (cpu) {
            const auto cpu_left = cpu_millis_left(clock, mover);
            if (!cpu_left)
                return Outcome{EndReason::TimeForfeit, mover, ""};
            timeout = std::min(timeout, *cpu_left);
        }
        wait_for_seats(seats_, std::min(timeout, hint.millis_to_look()));
    }
}

// Waits on the signal pipe alone, so a stop still ends the game at once.
void Game::pause_between_moves() const {
    if (config_.delay.count() > 0)
        wait_for_interrupt(config_.delay);
}

}  // namespace

GameResult play_game(const GameConfig& config, Seat& black, Seat& white, GameObserver& observer) {
    Game game(config, black, white, observer);
    return game.run();
}

}  // namespace referee
