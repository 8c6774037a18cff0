#include "referee/process/input_wait.h"

#include <dirent.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace referee {
namespace {

// What one thread is doing, as far as its input is concerned.
enum class ThreadState { Gone, Unknown, Busy, Asleep, Reading };

struct Thread {
    ThreadState state = ThreadState::Gone;
    unsigned long long cpu_ticks = 0;
};

std::optional<std::string> read_first_line(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::string text;
    std::getline(in, text);
    if (in.bad())
        return std::nullopt;
    return text;
}

// "pipe:[INODE]", as /proc/PID/fd/N shows the pipe `fd` is an end of.
std::optional<std::string> pipe_name(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISFIFO(status.st_mode))
        return std::nullopt;
    return "pipe:[" + std::to_string(status.st_ino) + "]";
}

std::optional<std::string> link_target(const std::string& path) {
    char target[256];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
        return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

// A sleep with a timeout of its own: the thread wakes by itself and works
// on, so the player is not stuck.
bool timed_sleep(long number) {
#ifdef SYS_nanosleep
    if (number == SYS_nanosleep)
        return true;
#endif
    return number == SYS_clock_nanosleep;
}

bool reads(long number) {
    return number == SYS_read || number == SYS_readv;
}

// The system call a sleeping thread sits in: "NR ARG0 ARG1 ...", "-1 ..."
// outside any call, "running" when it is not asleep after all.
ThreadState sleeping_in(const std::string& task, const std::string& input) {
    const auto text = read_first_line(task + "/syscall");
    if (!text || text->empty())
        return ThreadState::Unknown;
    std::istringstream words(*text);
    long number = 0;
    std::string first_argument;
    if (!(words >> number))
        return ThreadState::Busy;  // "running"
    if (number < 0 || timed_sleep(number))
        return ThreadState::Busy;
    if (!reads(number))
        return ThreadState::Asleep;
    if (!(words >> first_argument))
        return ThreadState::Unknown;
    const long fd = std::strtol(first_argument.c_str(), nullptr, 16);
    const auto target = link_target(task + "/fd/" + std::to_string(fd));
    if (!target)
        return ThreadState::Unknown;
    return *target == input ? ThreadState::Reading : ThreadState::Asleep;
}

// `task` is /proc/PID/task/TID; its stat line names the state after the
// command's name in parentheses (which may hold anything), and the user
// and system CPU ticks as the 14th and 15th fields.
Thread look_at_thread(const std::string& task, const std::string& input) {
    const auto stat = read_first_line(task + "/stat");
    if (!stat)
        return {};
    const auto name_end = stat->rfind(')');
    if (name_end == std::string::npos)
        return {ThreadState::Unknown, 0};
    std::istringstream fields(stat->substr(name_end + 1));
    char state = '?';
    fields >> state;
    std::string skipped;
    for (int field = 4; field <= 13; ++field)
        fields >> skipped;
    unsigned long long user = 0;
    unsigned long long system = 0;
    fields >> user >> system;
    Thread thread{ThreadState::Busy, user + system};
    if (state == 'Z' || state == 'X')
        thread.state = ThreadState::Gone;
    else if (state == 'S')
        thread.state = sleeping_in(task, input);
    else if (state == 'T' || state == 't')
        thread.state = ThreadState::Unknown;  // stopped: by whom, and for how long?
    return thread;
}

std::vector<std::string> thread_dirs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::vector<std::string> dirs;
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr)
        return dirs;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            dirs.push_back(tasks + "/" + entry->d_name);
    }
    ::closedir(dir);
    return dirs;
}

}  // namespace

InputLook look_at_input(const std::vector<pid_t>& processes, int input_fd) {
    // FIONREAD on either end of a pipe counts the bytes in it.
    int unread = 0;
    const auto input = input_fd >= 0 ? pipe_name(input_fd) : std::nullopt;
    if (!input || processes.empty() || ::ioctl(input_fd, FIONREAD, &unread) != 0)
        return {};
    InputLook look{InputState::Busy, 0};
    bool reading = false;
    bool unknown = false;
    bool busy = unread > 0;
    for (const pid_t pid : processes) {
        for (const std::string& task : thread_dirs(pid)) {
            const Thread thread = look_at_thread(task, *input);
            look.cpu_ticks += thread.cpu_ticks;
            reading = reading || thread.state == ThreadState::Reading;
            unknown = unknown || thread.state == ThreadState::Unknown;
            busy = busy || thread.state == ThreadState::Busy;
        }
    }
    if (unknown)
        look.state = InputState::Unknown;
    else if (reading && !busy)
        look.state = InputState::Waiting;
    return look;
}

std::optional<bool> InputWatch::look(const std::vector<pid_t>& processes, int input_fd) {
    const InputLook now = look_at_input(processes, input_fd);
    if (now.state == InputState::Unknown) {
        last_.reset();
        return std::nullopt;
    }
    const bool waiting = now.state == InputState::Waiting && last_ &&
                         last_->state == InputState::Waiting && last_->cpu_ticks == now.cpu_ticks;
    last_ = now;
    return waiting;
}

}  // namespace referee
