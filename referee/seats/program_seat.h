// A side played by a program: its process, the pipes to it, and everything
// it may do wrong on them. Its standard output is cut into lines, its
// standard error goes to the observer (the log) and its last line into the
// reason when the program leaves, and everything it started is ended with
// it.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "referee/game/game.h"
#include "referee/game/seat.h"
#include "referee/process/child_process.h"
#include "referee/process/input_wait.h"

namespace referee {

class ProgramSeat : public Seat {
  public:
    // Starts the program; throws StartError when it cannot be started.
    ProgramSeat(rules::Side side, const std::vector<std::string>& argv, const GameConfig& config,
                const Confinement& confinement, GameObserver& observer);
    ~ProgramSeat() override;
    ProgramSeat(const ProgramSeat&) = delete;
    ProgramSeat& operator=(const ProgramSeat&) = delete;
    ProgramSeat(ProgramSeat&&) = delete;
    ProgramSeat& operator=(ProgramSeat&&) = delete;

    std::optional<Outcome> tell(const std::string& line) override;
    void begin_turn(const Turn& /*turn*/) override { input_watch_.reset(); }
    std::optional<LineOrEnd> take_line(Clock::time_point now) override;
    std::optional<Outcome> out_of_turn() override;
    std::optional<Outcome> departed() override;
    void catch_up() override;
    std::optional<bool> waiting_for_input() override;
    void watch(std::vector<int>& fds) const override;
    bool wakes_waits() const override;
    void pump(const std::vector<int>& ready) override;
    void hold(bool frozen) override;
    std::optional<double> cpu_seconds() const override;
    records::PlayerUsage usage() const override;
    void leave() override;
    void close_input() override;
    void signal(int signal_number) override;
    bool gone() override;

  private:
    void note_exit_if_reaped();
    // Every process of the player now: its control group's, or those its
    // tag and process group find.
    std::vector<pid_t> processes() const;
    void read_output();
    long read_error();
    void remember_error_text(std::string_view chunk);
    Outcome ended_output();
    Outcome end(EndReason reason, std::string status);
    // The loss of a player any of whose processes the kernel killed for
    // its memory, whatever else it did since.
    std::optional<Outcome> memory_verdict() const;

    rules::Side side_;
    std::size_t max_line_;
    std::size_t memory_bytes_;
    GameObserver& observer_;
    const std::string tag_;
    std::unique_ptr<ChildProcess> process_;
    std::string out_;              // standard output not yet taken as a line
    std::string error_line_;       // unfinished line of standard error, for the log
    std::string last_error_;       // last line of standard error, for the reason
    bool last_error_done_ = true;  // a newline ended last_error_
    bool out_open_ = true;
    bool err_open_ = true;
    bool exited_ = false;               // the program itself is gone (and reaped)
    bool left_ = false;                 // the game is over: output no longer counts
    std::set<pid_t> strays_;            // descendants seen so far, until they are gone
    unsigned long long started_after_;  // when the program started, in clock ticks
    InputWatch input_watch_;
};

}  // namespace referee
