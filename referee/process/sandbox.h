// Each player in a sandbox made by bubblewrap (bwrap): a PID namespace of
// its own (it sees and signals only its own processes, and they all die
// with it), a session of its own without a controlling terminal, its own
// IPC and UTS namespaces, no network, the file system read-only but for a
// private /tmp (also its TMPDIR) and the folders granted with --player-dir.
// bwrap dies with the referee (--die-with-parent), and the kernel then
// ends everything inside.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace referee {

enum class SandboxMode { Auto, On, Off };

struct SandboxSettings {
    bool enabled = false;
    std::string bwrap;                                // absolute path of bwrap
    std::vector<std::string> player_dirs;             // writable inside, at the same path
    std::size_t tmp_bytes = std::size_t{256} << 20U;  // size of /tmp and /dev/shm
};

// Whether bwrap runs here: it is run once with a trivial command. `why` is
// a one-line reason when it does not.
struct SandboxProbe {
    bool works = false;
    std::string bwrap;
    std::string why;
};
SandboxProbe probe_sandbox();

// The command that runs `program` (a path, as find_program gave it) with
// `argv` inside the sandbox, in `directory`; bwrap reports on `info_fd`
// once the sandbox is set up.
std::vector<std::string> sandbox_command(const SandboxSettings& settings,
                                         const std::string& program,
                                         const std::vector<std::string>& argv,
                                         const std::string& directory, int info_fd);

// Looks `name` up the way execvp does (in PATH when it has no slash).
// Returns the path, or sets `error` to the errno exec would have failed
// with and returns "".
std::string find_program(const std::string& name, int& error);

// A player killed by signal N inside the sandbox is reported by bwrap as
// exit status 128 + N, as a shell does: the wait status it stands for.
int unwrap_sandbox_status(int wait_status);

// The words as exec wants them: pointers into `words`, ending in null.
std::vector<char*> pointers(std::vector<std::string>& words);

}  // namespace referee
