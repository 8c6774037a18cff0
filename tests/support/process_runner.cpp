#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace test_support {
namespace {

// Owns one descriptor, so that every early return still closes it: a write
// end left open by mistake would keep the other side waiting for EOF forever.
class Fd {
  public:
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&&) = delete;
    Fd& operator=(Fd&&) = delete;
    ~Fd() { reset(); }

    int get() const { return fd_; }
    bool open() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

struct Pipe {
    Fd read;
    Fd write;
};

// Close-on-exec, so the child keeps only the ends moved onto 0, 1 and 2 and
// the program sees EOF as soon as we close ours.
void open_pipe(Pipe& pipe) {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    pipe.read.reset(fds[0]);
    pipe.write.reset(fds[1]);
}

// A program may exit without reading all of its input. Writing to it then
// raises SIGPIPE, which would kill the whole test binary; while this object
// lives the write fails with EPIPE instead. The old disposition comes back
// afterwards so the test process is left as it was found.
class IgnoreSigpipe {
  public:
    IgnoreSigpipe() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &saved_);
    }
    IgnoreSigpipe(const IgnoreSigpipe&) = delete;
    IgnoreSigpipe& operator=(const IgnoreSigpipe&) = delete;
    IgnoreSigpipe(IgnoreSigpipe&&) = delete;
    IgnoreSigpipe& operator=(IgnoreSigpipe&&) = delete;
    ~IgnoreSigpipe() { ::sigaction(SIGPIPE, &saved_, nullptr); }

  private:
    struct sigaction saved_ {};
};

// Appends what is ready on `fd`, closing it at EOF or on a real error.
void drain(Fd& fd, std::string& text) {
    std::array<char, 65536> buffer{};
    const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
    if (n > 0)
        text.append(buffer.data(), static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        fd.reset();
}

int wait_for(pid_t pid) {
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(wstatus))
        return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        return 128 + WTERMSIG(wstatus);
    return -1;
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input) {
    RunOptions options;
    options.input = input;
    return run_process(argv, options);
}

ProcessResult run_process(const std::vector<std::string>& argv, const RunOptions& options) {
    const std::string& input = options.input;
    const auto deadline = std::chrono::steady_clock::now() + options.deadline;
    ProcessResult result;
    if (argv.empty()) {
        result.status = 127;
        result.err = "run_process: no program given\n";
        return result;
    }
    const IgnoreSigpipe ignore_sigpipe;
    Pipe in;
    Pipe out;
    Pipe err;
    open_pipe(in);
    open_pipe(out);
    open_pipe(err);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write.get(), STDERR_FILENO);
    // The program must start with the signal state of an ordinary launch: not
    // with SIGPIPE ignored as it is here, nor with anything blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words = argv;
    std::vector<char*> args;
    args.reserve(words.size() + 1);
    for (auto& word : words)
        args.push_back(word.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawn_error =
        ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawn_error != 0) {
        result.status = 127;
        result.err =
            "run_process: cannot start " + argv[0] + ": " + std::strerror(spawn_error) + "\n";
        return result;
    }
    // Only the child may hold these ends, or EOF would never come.
    in.read.reset();
    out.write.reset();
    err.write.reset();
    if (options.started)
        options.started(pid);

    // Feed and collect in one poll loop: a program that answers as it reads
    // fills its output pipe long before a large input is through, and a
    // blocking write would then wait for it while it waits for us.
    std::size_t written = 0;
    if (input.empty())
        in.write.reset();
    else
        ::fcntl(in.write.get(), F_SETFL, ::fcntl(in.write.get(), F_GETFL) | O_NONBLOCK);
    while (in.write.open() || out.read.open() || err.read.open()) {
        // poll skips negative descriptors, so closed pipes simply drop out.
        std::array<pollfd, 3> fds{{{in.write.get(), POLLOUT, 0},
                                   {out.read.get(), POLLIN, 0},
                                   {err.read.get(), POLLIN, 0}}};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            result.timed_out = true;
            result.err += "run_process: killed after its deadline\n";
            break;
        }
        if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0) {
            if (errno == EINTR)
                continue;
            // Closing our ends unblocks the program, so the wait below ends.
            in.write.reset();
            out.read.reset();
            err.read.reset();
            break;
        }
        if (fds[0].revents != 0) {
            const std::size_t chunk = std::min<std::size_t>(input.size() - written, 65536);
            const ssize_t n = ::write(in.write.get(), input.data() + written, chunk);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            // EPIPE: the program stopped reading, and the rest is of no use to it.
            if (written == input.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
                in.write.reset();
        }
        if (fds[1].revents != 0) {
            drain(out.read, result.out);
            if (options.output)
                options.output(result.out);
        }
        if (fds[2].revents != 0)
            drain(err.read, result.err);
    }
    result.status = wait_for(pid);
    return result;
}

}  // namespace test_support
