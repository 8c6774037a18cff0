#include "referee/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace referee {
namespace {

void close_fd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void set_nonblocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

int millis_until(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1'000'000));
}

[[noreturn]] void exec_child(char* const* argv, int in_read, int out_write, int err_write,
                             int report) {
    // Only async-signal-safe calls between fork and exec.
    ::dup2(in_read, STDIN_FILENO);
    ::dup2(out_write, STDOUT_FILENO);
    ::dup2(err_write, STDERR_FILENO);
    // An ignored SIGPIPE survives exec; the player should get the default.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &action, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Files the referee has open (record, log, the other player's pipes)
    // are none of the player's business.
    const long max_fd = std::min(::sysconf(_SC_OPEN_MAX), 4096L);
    for (int fd = 3; fd < max_fd; ++fd) {
        if (fd != report)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::execvp(argv[0], argv);
    const int error = errno;
    ssize_t ignored = ::write(report, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

}  // namespace

void ignore_sigpipe() {
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &action, nullptr);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    if (argv.empty())
        throw StartError("empty command");
    ignore_sigpipe();
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& word : argv)
        args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);

    int in[2], out[2], err[2], report[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        throw StartError(std::strerror(errno));
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        throw StartError(std::strerror(errno));
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1]})
            ::close(fd);
        throw StartError(std::strerror(errno));
    }
    if (::pipe2(report, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            ::close(fd);
        throw StartError(std::strerror(errno));
    }
    const pid_t pid = ::fork();
    if (pid == 0)
        exec_child(args.data(), in[0], out[1], err[1], report[1]);
    const int fork_error = errno;
    for (int fd : {in[0], out[1], err[1], report[1]})
        ::close(fd);
    if (pid < 0) {
        for (int fd : {in[1], out[0], err[0], report[0]})
            ::close(fd);
        throw StartError(std::string("fork failed: ") + std::strerror(fork_error));
    }
    pid_ = pid;
    in_fd_ = in[1];
    out_fd_ = out[0];
    err_fd_ = err[0];
    for (int fd : {in_fd_, out_fd_, err_fd_})
        set_nonblocking(fd);
    pidfd_ = open_pidfd(pid_);

    // The report pipe closes on a successful exec, or carries exec's errno.
    int exec_error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &exec_error, sizeof exec_error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof exec_error)) {
        // The child is already on its way out (_exit right after the report).
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        for (int* fd : {&in_fd_, &out_fd_, &err_fd_, &pidfd_})
            close_fd(*fd);
        throw StartError(argv[0] + ": " + std::strerror(exec_error));
    }
}

ChildProcess::~ChildProcess() {
    close_input();
    if (!reaped()) {
        send_signal(SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    close_fd(out_fd_);
    close_fd(err_fd_);
    close_fd(pidfd_);
}

bool ChildProcess::write_all(std::string_view data, Clock::time_point deadline) {
    while (!data.empty()) {
        if (in_fd_ < 0)
            return false;
        const ssize_t written = ::write(in_fd_, data.data(), data.size());
        if (written > 0) {
            data.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd waiting{in_fd_, POLLOUT, 0};
        const int timeout = millis_until(deadline);
        if (timeout == 0)
            return false;
        if (::poll(&waiting, 1, timeout) < 0 && errno != EINTR)
            return false;
        if (waiting.revents & (POLLERR | POLLHUP))
            return false;
    }
    return true;
}

void ChildProcess::close_input() {
    close_fd(in_fd_);
}
void ChildProcess::close_output() {
    close_fd(out_fd_);
}
void ChildProcess::close_error() {
    close_fd(err_fd_);
}

bool ChildProcess::reaped() {
    if (wait_status_)
        return true;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid_)
        wait_status_ = status;
    return wait_status_.has_value();
}

bool ChildProcess::wait_until(Clock::time_point deadline) {
    while (!reaped()) {
        const int timeout = millis_until(deadline);
        if (timeout == 0)
            return false;
        if (pidfd_ >= 0) {
            pollfd exit_event{pidfd_, POLLIN, 0};
            ::poll(&exit_event, 1, timeout);
        } else {
            ::poll(nullptr, 0, std::min(timeout, 5));
        }
    }
    return true;
}

void ChildProcess::send_signal(int signal_number) {
    if (!wait_status_)
        ::kill(pid_, signal_number);
}

std::string ChildProcess::status_text() const {
    if (!wait_status_)
        return "still running";
    const int status = *wait_status_;
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        const char* name = ::strsignal(number);
        return "killed by signal " + std::to_string(number) +
               (name ? std::string(" (") + name + ")" : "");
    }
    return "status " + std::to_string(status);
}

long read_available(int fd, std::string& buffer, std::size_t max_bytes) {
    char chunk[65536];
    const std::size_t want = std::min(max_bytes, sizeof chunk);
    ssize_t got;
    do {
        got = ::read(fd, chunk, want);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        buffer.append(chunk, static_cast<std::size_t>(got));
        return got;
    }
    if (got == 0)
        return 0;
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return -1;
    return 0;
}

}  // namespace referee
