// Whether a player sits blocked reading its standard input, with nothing
// there to read and nothing else of it at work. On its own turn that means
// its move never left it: most often the move is still in the buffer of
// its standard output, which it forgot to flush.
//
// The kernel shows it through /proc: every thread's state and CPU time
// (task/TID/stat), the system call it sleeps in with its arguments
// (task/TID/syscall) and what each descriptor is (fd/N). Where the referee
// may not read those (another user's process without the rights to trace
// it), nothing is known, and nothing is said.
#pragma once

#include <sys/types.h>

#include <optional>
#include <vector>

namespace referee {

enum class InputState {
    Unknown,  // the processes could not be looked at
    Busy,     // input left to read, or a thread running, or timed to wake
    Waiting,  // a thread blocked reading the input pipe, everything else asleep
};

struct InputLook {
    InputState state = InputState::Unknown;
    // CPU time of every thread looked at, in clock ticks: a thread that
    // worked between two looks shows here even if both caught it asleep.
    unsigned long long cpu_ticks = 0;
};

// Looks once at `processes` (pids as this process sees them), whose
// standard input is the pipe whose write end is `input_fd`.
InputLook look_at_input(const std::vector<pid_t>& processes, int input_fd);

// Two looks a moment apart that both find the player waiting, having used
// no CPU in between: one look alone may catch a thread between two bursts
// of work.
class InputWatch {
  public:
    // Forgets earlier looks: a new turn starts.
    void reset() { last_.reset(); }
    // True when this look and the one before both found it waiting; nullopt
    // when the processes could not be looked at.
    std::optional<bool> look(const std::vector<pid_t>& processes, int input_fd);

  private:
    std::optional<InputLook> last_;
};

}  // namespace referee
