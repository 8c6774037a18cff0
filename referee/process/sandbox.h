// Each player in a sandbox made by bubblewrap (bwrap): a PID namespace of
// its own (it sees and signals only its own processes, and they all die
// with it), a session of its own without a controlling terminal, its own
// IPC and UTS namespaces, no network, no capabilities, no namespaces of its
// own, a filter on the system calls that change the machine, and a view of
// only what it needs (see player_view.h): read-only but for a private /tmp
// (also its TMPDIR and HOME), /dev/shm and the folders granted with
// --player-dir. bwrap dies with the referee (--die-with-parent), and the
// kernel then ends everything inside.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "referee/process/player_view.h"
#include "referee/process/reach.h"

namespace referee {

enum class SandboxMode { Auto, On, Off };

// "auto", "on" or "off", as --sandbox takes it.
constexpr const char* sandbox_mode_name(SandboxMode mode) {
    return mode == SandboxMode::On ? "on" : mode == SandboxMode::Off ? "off" : "auto";
}

struct SandboxSettings {
    bool enabled = false;
    std::string bwrap;                                // absolute path of bwrap
    std::vector<std::string> player_dirs;             // writable inside, at the same path
    std::vector<std::string> see_paths;               // read-only inside, at the same path
    std::string syscall_filter;                       // see syscall_filter.h; "" for none
    bool disable_userns = true;                       // no user namespaces inside
    std::size_t tmp_bytes = std::size_t{256} << 20U;  // size of /tmp and /dev/shm
};

// What a player is shown beside the system's: its runtimes, its folder or
// lone file, the --player-see paths (read-only) and the --player-dir
// folders (writable).
struct ShownPath {
    std::string path;
    bool writable = false;
};
std::vector<ShownPath> shown_paths(const SandboxSettings& settings, const PlayerView& view);

// How the player's start reveals those of them its id cannot reach (reach.h).
Reveal player_reveal(const SandboxSettings& settings, const PlayerView& view);

// The command that runs what `view` shows inside the sandbox, in the
// player's own folder (its /tmp when it has none); bwrap reports on
// `info_fd` once the sandbox is set up and reads the system call filter
// from `filter_fd` (-1: none).
std::vector<std::string> sandbox_command(const SandboxSettings& settings, const PlayerView& view,
                                         int info_fd, int filter_fd);

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
