#include "fake_attacks.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/io_uring.h>
#include <linux/kcmp.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <new>
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

// The ways into the kernel: a 64-bit program may also make x32 calls (the
// x86-64 entry with the x32 bit in the number) and i386 calls (int 0x80),
// and it does so with its 64-bit registers whole, high halves included.
enum class Abi { Native, X32, I386 };

// The calls that reach another process, by the numbers of each ABI's table
// (asm/unistd_64.h, unistd_x32.h, unistd_32.h): x32 has numbers of its own
// for the calls that read structures of pointers.
struct Calls {
    long ptrace, process_vm_readv, process_vm_writev, kcmp, pidfd_open, pidfd_getfd,
        name_to_handle_at, open_by_handle_at;
};

Calls calls_of(Abi abi) {
    constexpr long kX32 = 0x40000000;
    switch (abi) {
        case Abi::X32:
            return {kX32 + 521, kX32 + 539, kX32 + 540, kX32 + 312,
                    kX32 + 434, kX32 + 438, kX32 + 303, kX32 + 304};
        case Abi::I386:
            return {26, 347, 348, 349, 434, 438, 341, 342};
        case Abi::Native:
            break;
    }
    return {SYS_ptrace,     SYS_process_vm_readv, SYS_process_vm_writev, SYS_kcmp,
            SYS_pidfd_open, SYS_pidfd_getfd,      SYS_name_to_handle_at, SYS_open_by_handle_at};
}

using Args = std::array<std::uint64_t, 6>;

// What the call returned, or -errno.
long enter(Abi abi, long number, const Args& args) {
#if defined(__x86_64__)
    if (abi == Abi::I386) {
        // The sixth argument goes in rbp, which the compiler may keep for
        // itself: swapped in and back out around the call.
        long result = number;
        std::uint64_t sixth = args[5];
        asm volatile("xchg %%rbp, %[sixth]\n\tint $0x80\n\txchg %%rbp, %[sixth]"
                     : "+a"(result), [sixth] "+r"(sixth)
                     : "b"(args[0]), "c"(args[1]), "d"(args[2]), "S"(args[3]), "D"(args[4])
                     : "r8", "r9", "r10", "r11", "memory", "cc");
        return static_cast<int>(result);
    }
#endif
    const long result = ::syscall(number, args[0], args[1], args[2], args[3], args[4], args[5]);
    return result < 0 ? -errno : result;
}

std::string answer(long result) {
    if (result >= 0)
        return "ok";
    const char* name = ::strerrorname_np(static_cast<int>(-result));
    return name ? name : "error " + std::to_string(-result);
}

std::uint64_t address(const void* pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
}

// What the i386 and x32 calls read through pointers, below 4 GB where
// their 32-bit pointers can reach it.
#if defined(__x86_64__)
constexpr int kBelow4G = MAP_32BIT;
#else
constexpr int kBelow4G = 0;
#endif
struct LowMemory {
    char buffer[8]{};
    char empty_path[1]{};
    int mount_id = 0;
    std::uint32_t compat_iovecs[2][2]{};
    iovec iovecs[2]{};
    // A struct file_handle: its size, its type, then the handle itself.
    alignas(8) unsigned char handle[8 + 16]{};
};

// The process a pidfd (from this process's table) refers to, as its fdinfo
// says: 0 for one outside the sandbox.
std::string pid_of_pidfd(long fd) {
    const std::string info = whole_file("/proc/self/fdinfo/" + std::to_string(fd));
    const auto at = info.find("\nPid:\t");
    return at == std::string::npos ? "?" : info.substr(at + 6, info.find('\n', at + 6) - at - 6);
}

// Pidfds opened from pidfs handles guessed below our own (pids are given
// their pidfs inode in order, so pid 1's lies a few below): the first
// refusal, "opened pid N" for any that opens, or ESTALE if none exists.
std::string open_by_guessed_handle(Abi abi, long number, int own_pidfd, LowMemory& low) {
    struct stat info {};
    if (::fstat(own_pidfd, &info) != 0)
        return failed("cannot stat the pidfd");
    constexpr std::uint32_t kBytes = 8;
    constexpr std::int32_t kPidfsType = 0xfe;  // FILEID_KERNFS: the 64-bit inode
    // The kernel's O_LARGEFILE on x86, which a 32-bit C library adds to
    // every open and pidfs asks of a 32-bit caller.
    const std::uint64_t flags = O_RDONLY | (abi == Abi::Native ? 0 : 0100000);
    std::string said = "ESTALE";
    for (std::uint64_t below = 1; below <= 256 && below < info.st_ino; ++below) {
        const std::uint64_t inode = info.st_ino - below;
        std::memcpy(low.handle, &kBytes, 4);
        std::memcpy(low.handle + 4, &kPidfsType, 4);
        std::memcpy(low.handle + 8, &inode, 8);
        const long fd =
            enter(abi, number,
                  {static_cast<std::uint64_t>(own_pidfd), address(low.handle), flags, 0, 0, 0});
        if (fd == -ESTALE)
            continue;
        if (fd < 0)
            return answer(fd);
        const std::string pid = pid_of_pidfd(fd);
        ::close(static_cast<int>(fd));
        said = "opened pid " + pid;
        if (pid == "1")
            break;
    }
    return said;
}

// Pid 1 of the sandbox (bwrap's, which runs without the filter), and then a
// child of our own, named with `high` set above the 32 bits of a pid, through
// every call that reaches another process or its descriptors, in the ABI
// `form` names ("x86-64:HIGH", "x32:HIGH" or "i386:HIGH").
std::string reach_pid_one(const std::string& form) {
    const auto colon = form.find(':');
    const std::string abi_name = form.substr(0, colon);
    const std::uint64_t high = std::stoull(form.substr(colon + 1), nullptr, 0);
    const Abi abi = abi_name == "x32" ? Abi::X32 : abi_name == "i386" ? Abi::I386 : Abi::Native;
    void* page = ::mmap(nullptr, sizeof(LowMemory), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | kBelow4G, -1, 0);
    if (page == MAP_FAILED)
        return failed("no memory");
    LowMemory& low = *new (page) LowMemory;
    const Calls calls = calls_of(abi);
    std::string said = "pid 1:";
    const auto call = [&](const char* name, long number, const Args& args) {
        const long result = enter(abi, number, args);
        said += std::string(said.back() == ':' ? " " : ", ") + name + " " + answer(result);
        return result;
    };

    const std::uint64_t one = high | 1U;
    call("ptrace", calls.ptrace, {PTRACE_SEIZE, one, 0, 0, 0, 0});
    // Eight bytes at pid 1's address 0: past the permission check, EFAULT.
    std::uint64_t local = address(&low.iovecs[0]);
    std::uint64_t remote = address(&low.iovecs[1]);
    if (abi == Abi::Native) {
        low.iovecs[0] = {low.buffer, sizeof low.buffer};
        low.iovecs[1] = {nullptr, sizeof low.buffer};
    } else {
        low.compat_iovecs[0][0] = static_cast<std::uint32_t>(address(low.buffer));
        low.compat_iovecs[0][1] = low.compat_iovecs[1][1] = sizeof low.buffer;
        local = address(&low.compat_iovecs[0]);
        remote = address(&low.compat_iovecs[1]);
    }
    call("process_vm_readv", calls.process_vm_readv, {one, local, 1, remote, 1, 0});
    call("process_vm_writev", calls.process_vm_writev, {one, local, 1, remote, 1, 0});
    call("kcmp", calls.kcmp, {one, one, KCMP_VM, 0, 0, 0});
    const long pidfd = call("pidfd_open", calls.pidfd_open, {one, 0, 0, 0, 0, 0});
    // Pid 1's standard output, through its pidfd, or else our own.
    const int own_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, ::getpid(), 0));
    const long from = pidfd >= 0 ? pidfd : own_pidfd;
    const long fd =
        call("pidfd_getfd", calls.pidfd_getfd, {static_cast<std::uint64_t>(from), 1, 0, 0, 0, 0});
    const std::uint32_t room = 16;
    std::memcpy(low.handle, &room, 4);
    call("name_to_handle_at", calls.name_to_handle_at,
         {static_cast<std::uint64_t>(own_pidfd), address(low.empty_path), address(low.handle),
          address(&low.mount_id), AT_EMPTY_PATH, 0});
    said += ", open_by_handle_at " +
            open_by_guessed_handle(abi, calls.open_by_handle_at, own_pidfd, low);
    for (const long opened : {pidfd, fd, static_cast<long>(own_pidfd)}) {
        if (opened >= 0)
            ::close(static_cast<int>(opened));
    }

    // Our own child, named the same way: allowed, so the form does reach
    // the kernel as the pid.
    int gate[2];
    if (::pipe(gate) != 0)
        return failed("no pipe");
    const pid_t child = ::fork();
    if (child < 0)
        return failed("cannot fork");
    if (child == 0) {
        ::close(gate[1]);
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(gate[0], &byte, 1);
        _exit(0);
    }
    ::close(gate[0]);
    const std::uint64_t mine = high | static_cast<std::uint32_t>(child);
    said += "; own child:";
    call("ptrace", calls.ptrace, {PTRACE_SEIZE, mine, 0, 0, 0, 0});
    const long child_pidfd = call("pidfd_open", calls.pidfd_open, {mine, 0, 0, 0, 0, 0});
    if (child_pidfd >= 0)
        ::close(static_cast<int>(child_pidfd));
    ::close(gate[1]);
    ::waitpid(child, nullptr, 0);
    ::munmap(page, sizeof(LowMemory));
    return said;
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
        {"pid-one", reach_pid_one},
        {"variable", variable},
        {"environment", [](const std::string&) { return environment(); }},
        {"see", see}};
    const auto found = attacks.find(kind);
    if (found == attacks.end())
        return std::nullopt;
    return found->second(target);
}
