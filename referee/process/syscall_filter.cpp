#include "referee/process/syscall_filter.h"

#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "referee/common/fd.h"

namespace referee {
namespace {

// Mounting and the root: the sandbox is the player's whole world.
// Namespaces: none inside. Keys: the kernel's keyrings are shared by every
// process of a uid. io_uring: a second way into the kernel that a filter
// does not see. bpf, perf_event_open: the kernel's own programs and
// counters. Modules, kexec, reboot, swap, clocks, accounting, the kernel's
// log: the machine itself.
constexpr const char* kRefused[] = {
    "mount",           "umount",         "umount2",        "pivot_root",        "move_mount",
    "open_tree",       "fsopen",         "fsconfig",       "fsmount",           "fspick",
    "mount_setattr",   "unshare",        "setns",          "add_key",           "request_key",
    "keyctl",          "io_uring_setup", "io_uring_enter", "io_uring_register", "bpf",
    "perf_event_open", "init_module",    "finit_module",   "delete_module",     "kexec_load",
    "kexec_file_load", "reboot",         "swapon",         "swapoff",           "acct",
    "settimeofday",    "clock_settime",  "clock_adjtime",  "adjtimex",          "quotactl",
    "syslog",          "userfaultfd",    "vhangup"};

// Another process's descriptors (pidfd_getfd), its memory other than
// through ptrace (process_vm_readv, process_vm_writev), comparisons of its
// files and memory with ours (kcmp), and pidfds from file handles
// (open_by_handle_at: pidfs numbers its handles in the order pids are made,
// so pid 1's is easily guessed). A player has no use for them; refused
// outright, they reach pid 1 under no form of its pid and by no handle.
constexpr const char* kOnOtherProcesses[] = {"pidfd_getfd", "process_vm_readv", "process_vm_writev",
                                             "kcmp", "open_by_handle_at"};

// The part of a register the kernel reads as an int (a pid).
constexpr scmp_datum_t kLow32 = 0xffffffff;

// Every namespace flag of clone.
constexpr scmp_datum_t kNamespaceFlags[] = {CLONE_NEWNS,    CLONE_NEWUTS, CLONE_NEWIPC,
                                            CLONE_NEWUSER,  CLONE_NEWPID, CLONE_NEWNET,
                                            CLONE_NEWCGROUP};

struct Release {
    void operator()(void* context) const { seccomp_release(context); }
};

// A call this architecture does not have cannot be made either: skipped.
bool add(scmp_filter_ctx context, const char* name, uint32_t action,
         const std::vector<scmp_arg_cmp>& when = {}) {
    const int number = seccomp_syscall_resolve_name(name);
    if (number == __NR_SCMP_ERROR)
        return true;
    return seccomp_rule_add_array(context, action, number, static_cast<unsigned>(when.size()),
                                  when.data()) == 0;
}

bool add_rules(scmp_filter_ctx context) {
    for (const char* name : kRefused) {
        if (!add(context, name, SCMP_ACT_ERRNO(EPERM)))
            return false;
    }
    for (const char* name : kOnOtherProcesses) {
        if (!add(context, name, SCMP_ACT_ERRNO(EPERM)))
            return false;
    }
    // A handle is worth nothing without open_by_handle_at: answered as by a
    // file system that has none, which its callers expect.
    if (!add(context, "name_to_handle_at", SCMP_ACT_ERRNO(EOPNOTSUPP)))
        return false;
    // Inside the sandbox a player can name only its own processes and pid
    // 1, bwrap's, which runs without this filter (and is hidden from its
    // /proc): ptrace of pid 1 is refused, so a player traces its own
    // descendants only, and a pidfd of pid 1 is refused too. The kernel
    // reads a pid as 32 bits, in every ABI, and ignores the rest of the
    // register: so does the comparison, or 1 + 2^32 would pass for 1.
    const auto pid_one = [](unsigned argument) {
        return std::vector<scmp_arg_cmp>{{argument, SCMP_CMP_MASKED_EQ, kLow32, 1}};
    };
    if (!add(context, "ptrace", SCMP_ACT_ERRNO(EPERM), pid_one(1)) ||
        !add(context, "pidfd_open", SCMP_ACT_ERRNO(EPERM), pid_one(0)))
        return false;
    // The flags of clone are 64 bits in the kernel's x86-64 register but it
    // reads the low 32: a flag's own bit is tested, whatever the rest holds.
    for (const scmp_datum_t flag : kNamespaceFlags) {
        if (!add(context, "clone", SCMP_ACT_ERRNO(EPERM), {{0, SCMP_CMP_MASKED_EQ, flag, flag}}))
            return false;
    }
    // clone3 takes its flags in memory a filter cannot read: it reports
    // itself missing, and the C library falls back to clone.
    return add(context, "clone3", SCMP_ACT_ERRNO(ENOSYS));
}

// The program as the kernel reads it, through a memory file.
std::string exported(scmp_filter_ctx context, std::string& why) {
    const Fd memory(::memfd_create("syscall-filter", MFD_CLOEXEC));
    if (!memory.is_open() || seccomp_export_bpf(context, memory.get()) != 0) {
        why = std::string("cannot export the system call filter: ") + std::strerror(errno);
        return {};
    }
    std::string program;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::pread(memory.get(), chunk, sizeof chunk, static_cast<off_t>(program.size()))) >
           0)
        program.append(chunk, static_cast<std::size_t>(got));
    return program;
}

}  // namespace

std::string build_syscall_filter(std::string& why) {
    const std::unique_ptr<void, Release> context(seccomp_init(SCMP_ACT_ALLOW));
    if (!context) {
        why = "libseccomp cannot make a filter here";
        return {};
    }
    // 32-bit programs enter the kernel through other tables: the same
    // rules for them (where this machine has them) rather than none.
    if (seccomp_arch_native() == SCMP_ARCH_X86_64) {
        for (const uint32_t arch : {SCMP_ARCH_X86, SCMP_ARCH_X32})
            seccomp_arch_add(context.get(), arch);
    }
    if (!add_rules(context.get())) {
        why = "libseccomp refused a rule of the system call filter";
        return {};
    }
    return exported(context.get(), why);
}

}  // namespace referee
