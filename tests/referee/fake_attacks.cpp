#include "fake_attacks.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/io_uring.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <vector>

namespace {

std::string failed(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pids of every process but ourselves whose command line holds `mark`:
// a hostile player touches nothing else.
std::vector<pid_t> marked_processes(const std::string& mark) {
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    while (const dirent* entry = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0 || pid == getpid())
            continue;
        if (whole_file(std::string("/proc/") + entry->d_name + "/cmdline").find(mark) !=
            std::string::npos)
            pids.push_back(pid);
    }
    ::closedir(proc);
    return pids;
}

std::string signal_marked(const std::string& mark, int signal_number) {
    int hit = 0;
    for (pid_t pid : marked_processes(mark))
        hit += ::kill(pid, signal_number) == 0 ? 1 : 0;
    return "signalled " + std::to_string(hit);
}

std::string take_terminal(const std::string& text) {
    const int tty = ::open("/dev/tty", O_RDWR);
    if (tty < 0)
        return failed("no terminal");
    const std::string line = text + "\n";
    [[maybe_unused]] const ssize_t n = ::write(tty, line.data(), line.size());
    signal(SIGTTOU, SIG_IGN);
    return ::tcsetpgrp(tty, getpgrp()) == 0 ? "took the terminal" : "wrote the terminal";
}

std::string create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return failed("cannot write");
    ::close(fd);
    return "wrote " + path;
}

std::string connect_to(const std::string& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(port.c_str())));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected ? "connected" : failed("cannot connect");
}

std::string read_path(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return failed("cannot read");
    ::close(fd);
    return "read " + path;
}

std::string remount(const std::string& path) {
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string remounted =
        ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND, nullptr) == 0
            ? "remounted"
            : failed("cannot remount");
    return remounted + "; " + create(path);
}

std::string write_setting(const std::string& path) {
    const std::string value = whole_file(path);
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0)
        return failed("cannot write the setting");
    const bool wrote = ::write(fd, value.data(), value.size()) >= 0;
    ::close(fd);
    return wrote ? "wrote the setting" : failed("cannot write the setting");
}

std::string unmount_proc(const std::string& mark) {
    const std::string done =
        ::umount2("/proc", MNT_DETACH) == 0 ? "unmounted /proc" : failed("cannot unmount /proc");
    const std::size_t seen = marked_processes(mark).size();
    return done + "; sees " + std::to_string(seen);
}

std::string make_device(const std::string& path) {
    if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        return failed("cannot make a device");
    return "made a device";
}

std::string set_up_io_uring() {
    io_uring_params params{};
    const long fd = ::syscall(SYS_io_uring_setup, 4, &params);
    if (fd < 0)
        return failed("no io_uring");
    ::close(static_cast<int>(fd));
    return "has an io_uring";
}

std::string make_namespace() {
    if (::unshare(CLONE_NEWUSER) != 0 && ::unshare(CLONE_NEWNS) != 0)
        return failed("no namespace");
    return "made a namespace";
}

std::string trace(const std::string& pid) {
    if (::ptrace(PTRACE_ATTACH, std::atoi(pid.c_str()), nullptr, nullptr) != 0)
        return failed("cannot trace");
    return "traced " + pid;
}

std::string variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? name + "=" + value : "no " + name;
}

std::string environment() {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry)
        entries.emplace_back(*entry);
    std::sort(entries.begin(), entries.end());
    std::string text = "environment";
    for (const auto& entry : entries)
        text += " " + entry;
    return text;
}

std::string see(const std::string& paths) {
    std::string text = "sees";
    std::size_t start = 0;
    while (start <= paths.size()) {
        const auto end = std::min(paths.find(':', start), paths.size());
        const std::string path = paths.substr(start, end - start);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0)
            text += " " + path;
        start = end + 1;
    }
    return text;
}

}  // namespace

std::optional<std::string> fake_attack(const std::string& kind, const std::string& target) {
    using Attack = std::function<std::string(const std::string&)>;
    const std::map<std::string, Attack> attacks{
        {"kill", [](const std::string& mark) { return signal_marked(mark, SIGKILL); }},
        {"stop", [](const std::string& mark) { return signal_marked(mark, SIGSTOP); }},
        {"term-parent",
         [](const std::string&) {
             return std::string(::kill(getppid(), SIGTERM) == 0 ? "parent signalled"
                                                                : "parent out of reach");
         }},
        {"tty", take_terminal},
        {"write", create},
        {"connect", connect_to},
        {"read", read_path},
        {"remount", remount},
        {"setting", write_setting},
        {"unmount-proc", unmount_proc},
        {"device", make_device},
        {"io-uring", [](const std::string&) { return set_up_io_uring(); }},
        {"namespace", [](const std::string&) { return make_namespace(); }},
        {"trace", trace},
        {"variable", variable},
        {"environment", [](const std::string&) { return environment(); }},
        {"see", see}};
    const auto found = attacks.find(kind);
    if (found == attacks.end())
        return std::nullopt;
    return found->second(target);
}
