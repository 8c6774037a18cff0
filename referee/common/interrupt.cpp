#include "referee/common/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace referee {
namespace {

// The only process-wide state the games share, and all a signal handler may
// touch: a lock-free flag and the two ends of the self-pipe.
std::atomic<int> received_signal{0};
std::atomic<int> pipe_read{-1};
std::atomic<int> pipe_write{-1};

void on_signal(int number) {
    const int saved_errno = errno;
    int expected = 0;
    received_signal.compare_exchange_strong(expected, number);
    const char byte = 1;
    // A full pipe is already readable, which is all a reader needs.
    [[maybe_unused]] const ssize_t ignored = ::write(pipe_write.load(), &byte, 1);
    errno = saved_errno;
}

}  // namespace

void install_interrupt_handlers() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    pipe_read = fds[0];
    pipe_write = fds[1];
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

int interrupt_signal() {
    return received_signal.load();
}

int interrupt_fd() {
    return pipe_read.load();
}

}  // namespace referee
