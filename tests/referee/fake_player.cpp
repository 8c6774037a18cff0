// A player that misbehaves on demand, so the referee's handling of every
// fault can be tried against a real process. Without a fault it plays
// "instant" legal moves: one soldier steps forward and back (black on
// column 0, white on column 1, so the two never meet).
//
//   fake_player [--mode MODE] [--after N] [--script "MOVE,MOVE,..."]
//               [--pidfile PATH] [--delay-ms N] [--linger] [--ignore-term]
//               [--spawn KIND] [--family PATH] [--limits PATH]
//               [--flood-mb N] [--say TEXT] [--chatter TEXT] [--exit-status N]
//
// MODE (the fault comes after N good moves, default 0):
//   instant       only good moves (the default)
//   walk          only good moves that never repeat a position: the front
//                 soldiers walk towards the far side one after the other
//                 (black on even columns, white on odd ones)
//   illegal       moves a town hall, which is no soldier
//   malformed     writes a line outside the move notation
//   garbage       writes binary bytes and a newline
//   out-of-turn   writes its move and a second one at once
//   early         writes a move right after the header, without waiting
//   silent        stops writing and hangs
//   crash         aborts (SIGABRT)
//   kill          kills itself with SIGKILL
//   exit          exits with --exit-status (default 0; with N = 0: before
//                 reading anything)
//   flood         writes --flood-mb megabytes (default 4) to standard error
//                 before every move
//   huge          writes a megabyte without a newline, then hangs
//   partial       writes half a move line without newline, then exits
//   close-output  closes standard output and hangs
//   close-input   closes standard input, writes its move and hangs
// --script plays the given move lines first (they count as good moves).
// --linger keeps running after end of input; --ignore-term ignores SIGTERM
// (both also hold for the processes --spawn starts).
// --spawn, right after the header (every process started appends its pid
// to the --family file):
//   children      three children that keep the pipes and hang
//   grandchild    a grandchild that keeps the pipes, its parent gone
//   daemon        a double-forked daemon in a session of its own, with its
//                 standard streams on /dev/null
//   handoff       a child takes over the game and the player itself exits
//   bare-daemon   a daemon in a session of its own that runs this program
//                 again with an empty environment and FAMILY.daemon on its
//                 command line
//   orphans       a chain of --chain N (default 40) processes, each starting
//                 the next and exiting
// --spawn-once FILE spawns only if FILE does not exist yet, and creates it.
// --hostile KIND ARG, right after --spawn, then plays on (what it achieved
// goes to standard error; the kinds are in fake_attacks.h).
// --hog KIND ARG, right after --hostile, then plays on (what it achieved
// goes to standard error):
//   children NxMB   N children that each take and touch MB megabytes and
//                   hang; "held K of N" once each has or has died
//   tmp MB          writes MB megabytes into a file in its /tmp
//   busy N          N processes in sessions of their own that only spin,
//                   their pids in the --family file
//   escape -        tries to leave its control groups for their parents and
//                   to raise its memory and process bounds
// --work-ms N spends N ms of its own CPU time before each move, then says
// "cpu N us", the CPU time it has used since it started.
// --watch FILE counts the CPU clock ticks the processes listed in FILE
// used during its own work, and says "watched N ticks" after each move.
// --say writes TEXT and a newline to standard error just before the fault.
// --chatter writes TEXT and a newline to standard error before every move.
// --limits writes the player's core and address-space limits to PATH.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fake_attacks.h"
#include "own_cgroups.h"

namespace {

struct Flags {
    std::string mode = "instant";
    int after = 0;
    std::vector<std::string> script;
    std::string pidfile;
    int delay_ms = 0;
    bool linger = false;
    bool ignore_term = false;
    std::string spawn;
    std::string family;
    std::string limits;
    int flood_mb = 4;
    std::string say;
    std::string chatter;
    int exit_status = 0;
    std::string hostile;
    std::string target;  // what --hostile acts on
    std::string once;    // --spawn only while this file does not exist
    int chain = 40;
    std::string hog;
    std::string hog_arg;
    int work_ms = 0;
    std::string watch;
    std::string self;  // argv[0], for the bare daemon
};

[[noreturn]] void hang() {
    while (true)
        pause();
}

[[noreturn]] void end_of_input(const Flags& flags) {
    if (flags.linger)
        hang();
    std::exit(0);
}

void write_raw(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            std::exit(1);
        done += static_cast<std::size_t>(n);
    }
}

void send(const std::string& line) {
    write_raw(line + "\n");
}

Flags parse(int argc, char** argv) {
    Flags flags;
    flags.self = argv[0];
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "fake_player: " << arg << " needs a value\n";
                std::exit(64);
            }
            return argv[++i];
        };
        if (arg == "--mode") {
            flags.mode = next();
        } else if (arg == "--after") {
            flags.after = std::atoi(next().c_str());
        } else if (arg == "--script") {
            std::stringstream list(next());
            std::string move;
            while (std::getline(list, move, ','))
                flags.script.push_back(move);
        } else if (arg == "--pidfile") {
            flags.pidfile = next();
        } else if (arg == "--delay-ms") {
            flags.delay_ms = std::atoi(next().c_str());
        } else if (arg == "--linger") {
            flags.linger = true;
        } else if (arg == "--ignore-term") {
            flags.ignore_term = true;
        } else if (arg == "--spawn") {
            flags.spawn = next();
        } else if (arg == "--family") {
            flags.family = next();
        } else if (arg == "--limits") {
            flags.limits = next();
        } else if (arg == "--flood-mb") {
            flags.flood_mb = std::atoi(next().c_str());
        } else if (arg == "--say") {
            flags.say = next();
        } else if (arg == "--chatter") {
            flags.chatter = next();
        } else if (arg == "--exit-status") {
            flags.exit_status = std::atoi(next().c_str());
        } else if (arg == "--hostile") {
            flags.hostile = next();
            flags.target = next();
        } else if (arg == "--spawn-once") {
            flags.once = next();
        } else if (arg == "--hog") {
            flags.hog = next();
            flags.hog_arg = next();
        } else if (arg == "--work-ms") {
            flags.work_ms = std::atoi(next().c_str());
        } else if (arg == "--watch") {
            flags.watch = next();
        } else if (arg == "--chain") {
            flags.chain = std::atoi(next().c_str());
        } else {
            std::cerr << "fake_player: unknown argument " << arg << '\n';
            std::exit(64);
        }
    }
    return flags;
}

void join_family(const Flags& flags) {
    if (flags.family.empty())
        return;
    const std::string line = std::to_string(getpid()) + "\n";
    // Both players append to it, each maybe under an id of its own: made
    // writable for all as it is created, not a moment later.
    const mode_t mask = ::umask(0);
    const int fd = ::open(flags.family.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    ::umask(mask);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

void write_limits(const std::string& path) {
    rlimit core{};
    rlimit memory{};
    getrlimit(RLIMIT_CORE, &core);
    getrlimit(RLIMIT_AS, &memory);
    std::ofstream(path) << "core=" << core.rlim_cur << " as=" << memory.rlim_cur << '\n';
}

// Starts the --spawn processes. Returns in the process that goes on playing.
// Every process spawn() starts holds the write end of `joined` until it has
// joined the family, so that the player goes on only once they all have.
void spawn(const Flags& flags) {
    if (!flags.once.empty()) {
        if (::access(flags.once.c_str(), F_OK) == 0)
            return;
        std::ofstream(flags.once) << "spawned\n";
    }
    int joined[2];
    if (::pipe(joined) != 0)
        std::exit(70);
    const auto done_joining = [&] {
        join_family(flags);
        ::close(joined[1]);
    };
    if (flags.spawn == "children") {
        for (int i = 0; i < 3; ++i) {
            if (fork() == 0) {
                ::close(joined[0]);
                done_joining();
                hang();
            }
        }
    } else if (flags.spawn == "grandchild" || flags.spawn == "daemon" ||
               flags.spawn == "bare-daemon") {
        const pid_t middle = fork();
        if (middle == 0) {
            if (flags.spawn != "grandchild")
                setsid();
            if (fork() == 0) {
                ::close(joined[0]);
                done_joining();
                if (flags.spawn != "grandchild") {
                    const int null = ::open("/dev/null", O_RDWR);
                    for (int fd = 0; fd < 3; ++fd)
                        dup2(null, fd);
                }
                if (flags.spawn == "bare-daemon") {
                    // No environment, no tag: only the mark on its command
                    // line tells the test what it is.
                    const std::string mark = flags.family + ".daemon";
                    char* args[] = {const_cast<char*>(flags.self.c_str()),
                                    const_cast<char*>("--linger"), const_cast<char*>("--pidfile"),
                                    const_cast<char*>(mark.c_str()), nullptr};
                    char* no_environment[] = {nullptr};
                    ::execve(flags.self.c_str(), args, no_environment);
                }
                hang();
            }
            _exit(0);
        }
        waitpid(middle, nullptr, 0);
    } else if (flags.spawn == "orphans") {
        // A chain: each process starts the next and exits, so each is
        // re-parented (to the referee, or to the sandbox's first process)
        // and becomes a zombie there.
        for (int i = 0; i < flags.chain; ++i) {
            const pid_t next = fork();
            if (next != 0) {
                if (i > 0) {
                    done_joining();
                    _exit(0);
                }
                break;
            }
            if (i == flags.chain - 1) {
                done_joining();
                _exit(0);
            }
        }
    } else if (flags.spawn == "handoff") {
        if (fork() != 0)
            _exit(0);
        join_family(flags);
    } else if (!flags.spawn.empty()) {
        std::cerr << "fake_player: unknown spawn " << flags.spawn << '\n';
        std::exit(64);
    }
    ::close(joined[1]);
    char byte = 0;
    while (::read(joined[0], &byte, 1) > 0) {
    }
    ::close(joined[0]);
}

// What a bot author might try against the referee, the opponent or the
// machine; whatever it achieves goes to standard error, and the player
// then plays on.
void attack(const Flags& flags) {
    const auto said = fake_attack(flags.hostile, flags.target);
    if (!said) {
        std::cerr << "fake_player: unknown attack " << flags.hostile << '\n';
        std::exit(64);
    }
    std::cerr << *said << std::endl;
}

// Takes and touches `megabytes`, so that the pages are really held.
void hold_memory(std::size_t megabytes) {
    const std::size_t bytes = megabytes << 20U;
    // Written through a volatile pointer: the compiler may not drop stores
    // to memory nobody reads.
    volatile char* block = static_cast<char*>(std::malloc(bytes));
    if (block == nullptr)
        _exit(3);
    for (std::size_t i = 0; i < bytes; i += 4096)
        block[i] = 1;
}

std::string hog_children(const std::string& arg) {
    const int count = std::atoi(arg.c_str());
    const std::size_t megabytes = std::strtoul(arg.substr(arg.find('x') + 1).c_str(), nullptr, 10);
    int held[2];
    if (::pipe(held) != 0)
        std::exit(70);
    for (int i = 0; i < count; ++i) {
        if (fork() == 0) {
            ::close(held[0]);
            hold_memory(megabytes);
            [[maybe_unused]] const ssize_t n = ::write(held[1], "h", 1);
            ::close(held[1]);
            hang();
        }
    }
    ::close(held[1]);
    // Each child writes a byte once it holds its memory; a killed one only
    // closes its end.
    int got = 0;
    char byte = 0;
    while (::read(held[0], &byte, 1) > 0)
        ++got;
    ::close(held[0]);
    return "held " + std::to_string(got) + " of " + std::to_string(count);
}

std::string hog_tmp(const std::string& arg) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp ? tmp : "/tmp") + "/hog";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string chunk(std::size_t{1} << 20U, 'm');
    int written = 0;
    while (fd >= 0 && written < std::atoi(arg.c_str()) &&
           ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size()))
        ++written;
    return "wrote " + std::to_string(written) + " MB";
}

std::string hog_busy(const Flags& flags) {
    const int count = std::atoi(flags.hog_arg.c_str());
    for (int i = 0; i < count; ++i) {
        if (fork() == 0) {
            setsid();
            join_family(flags);
            volatile unsigned long spin = 0;
            while (true)
                spin = static_cast<unsigned long>(spin) + 1;
        }
    }
    return "busy " + std::to_string(count);
}

bool write_file(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool done =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0)
        ::close(fd);
    return done;
}

std::string hog_escape() {
    int moved = 0, raised = 0;
    // Not a hierarchy's root: the player's groups are below the referee's.
    std::vector<std::string> groups;
    for (const auto& group : referee_test::own_cgroups()) {
        if (group.dir.find('/', std::string("/sys/fs/cgroup/").size()) != std::string::npos)
            groups.push_back(group.dir);
    }
    for (const std::string& dir : groups) {
        moved += write_file(dir.substr(0, dir.rfind('/')) + "/cgroup.procs", "0") ? 1 : 0;
        for (const char* bound : {"memory.limit_in_bytes", "memory.memsw.limit_in_bytes",
                                  "memory.max", "pids.max", "cpu.cfs_quota_us", "cpu.max"})
            raised += write_file(dir + "/" + bound, "max") ? 1 : 0;
    }
    return "groups " + std::to_string(groups.size()) + " moved " + std::to_string(moved) +
           " raised " + std::to_string(raised);
}

void hog(const Flags& flags) {
    std::string said;
    if (flags.hog == "children") {
        said = hog_children(flags.hog_arg);
    } else if (flags.hog == "tmp") {
        said = hog_tmp(flags.hog_arg);
    } else if (flags.hog == "busy") {
        said = hog_busy(flags);
    } else if (flags.hog == "escape") {
        said = hog_escape();
    } else {
        std::cerr << "fake_player: unknown hog " << flags.hog << '\n';
        std::exit(64);
    }
    std::cerr << said << std::endl;
}

double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// utime + stime of every process listed in `file`, in clock ticks.
long long ticks_of(const std::string& file) {
    long long total = 0;
    std::ifstream in(file);
    pid_t pid = 0;
    while (in >> pid) {
        std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(stat_file)),
                         std::istreambuf_iterator<char>());
        const auto close = stat.rfind(')');
        unsigned long long user = 0, system = 0;
        if (close != std::string::npos &&
            std::sscanf(stat.c_str() + close + 1,
                        " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                        &system) == 2)
            total += static_cast<long long>(user + system);
    }
    return total;
}

// Spends `ms` of its own CPU time; the ticks the watched processes used
// meanwhile are added to `watched`.
void work(const Flags& flags, long long& watched) {
    if (flags.work_ms <= 0)
        return;
    const long long before = flags.watch.empty() ? 0 : ticks_of(flags.watch);
    const double until = cpu_seconds() + flags.work_ms / 1000.0;
    while (cpu_seconds() < until) {
    }
    if (!flags.watch.empty()) {
        watched += ticks_of(flags.watch) - before;
        std::cerr << "watched " << watched << " ticks" << std::endl;
    }
    // Counted last, just before the move: what a clock on its CPU time
    // charges it for the move cannot be more than it used since it said
    // this before its last move.
    std::cerr << "cpu " << static_cast<long long>(cpu_seconds() * 1e6) << " us" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    const Flags flags = parse(argc, argv);
    if (flags.ignore_term)
        signal(SIGTERM, SIG_IGN);
    if (!flags.pidfile.empty())
        std::ofstream(flags.pidfile) << getpid() << '\n';
    join_family(flags);
    if (!flags.limits.empty())
        write_limits(flags.limits);
    if (flags.mode == "exit" && flags.after == 0) {
        if (!flags.say.empty())
            std::cerr << flags.say << '\n';
        return flags.exit_status;
    }

    std::string header;
    if (!std::getline(std::cin, header))
        end_of_input(flags);
    int id = 0, rows = 0, columns = 0;
    std::istringstream(header) >> id >> rows >> columns;
    spawn(flags);
    if (!flags.hostile.empty())
        attack(flags);
    if (!flags.hog.empty())
        hog(flags);
    long long watched = 0;
    const bool black = id == 1;
    // The shuffling soldier and its two squares.
    const int x = black ? 0 : 1;
    const int home = black ? rows - 3 : 2;
    const int away = black ? rows - 4 : 3;

    if (flags.mode == "early") {
        send("S " + std::to_string(x) + ' ' + std::to_string(home) + " M " + std::to_string(x) +
             ' ' + std::to_string(away));
    }
    std::string opponent_move;
    if (!black && !std::getline(std::cin, opponent_move))
        end_of_input(flags);
    const std::string flood_chunk(std::size_t{64} * 1024, 'e');

    for (int played = 0;; ++played) {
        if (flags.delay_ms > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(flags.delay_ms));
        }
        work(flags, watched);
        if (!flags.chatter.empty())
            std::cerr << flags.chatter << std::endl;
        std::ostringstream step;
        if (static_cast<std::size_t>(played) < flags.script.size()) {
            step << flags.script[static_cast<std::size_t>(played)];
        } else if (flags.mode == "walk") {
            // rows - 6 steps per soldier keep it clear of the other side's
            // town halls and of its own soldiers behind.
            const int k = played - static_cast<int>(flags.script.size());
            const int steps = rows - 6;
            const int column = 2 * (k / steps) + (black ? 0 : 1);
            const int from = black ? rows - 3 - k % steps : 2 + k % steps;
            step << "S " << column << ' ' << from << " M " << column << ' '
                 << (black ? from - 1 : from + 1);
        } else {
            const int k = played - static_cast<int>(flags.script.size());
            const bool out = k % 2 == 0;
            step << "S " << x << ' ' << (out ? home : away) << " M " << x << ' '
                 << (out ? away : home);
        }
        const std::string good = step.str();

        if (flags.mode == "flood") {
            for (int i = 0; i < 16 * flags.flood_mb; ++i) {
                if (::write(STDERR_FILENO, flood_chunk.data(), flood_chunk.size()) < 0)
                    break;
                if (::write(STDERR_FILENO, "\n", 1) < 0)
                    break;
            }
        }
        if (played < flags.after || flags.mode == "instant" || flags.mode == "walk" ||
            flags.mode == "flood" || flags.mode == "early") {
            send(good);
            if (!std::getline(std::cin, opponent_move))
                end_of_input(flags);
            continue;
        }
        if (!flags.say.empty())
            std::cerr << flags.say << std::endl;
        if (flags.mode == "illegal") {
            // Town halls never move: their square holds no soldier.
            send(black ? "S 1 " + std::to_string(rows - 1) + " M 1 " + std::to_string(rows - 2)
                       : "S 0 0 M 0 1");
        } else if (flags.mode == "malformed") {
            send("S " + std::to_string(x) + " " + std::to_string(home) + " X 9");
        } else if (flags.mode == "garbage") {
            write_raw(std::string("\x01\xff\x7f garbage\0\x02", 13) + "\n");
        } else if (flags.mode == "out-of-turn") {
            write_raw(good + "\n" + good + "\n");
        } else if (flags.mode == "silent") {
            hang();
        } else if (flags.mode == "crash") {
            std::abort();
        } else if (flags.mode == "kill") {
            raise(SIGKILL);
        } else if (flags.mode == "exit") {
            return flags.exit_status;
        } else if (flags.mode == "huge") {
            write_raw(std::string(1 << 20, 'x'));
            hang();
        } else if (flags.mode == "partial") {
            write_raw("S 0 5 M");
            return 0;
        } else if (flags.mode == "close-output") {
            ::close(STDOUT_FILENO);
            hang();
        } else if (flags.mode == "close-input") {
            ::close(STDIN_FILENO);
            send(good);
            hang();
        } else {
            std::cerr << "fake_player: unknown mode " << flags.mode << '\n';
            return 64;
        }
        if (!std::getline(std::cin, opponent_move))
            end_of_input(flags);
    }
}
