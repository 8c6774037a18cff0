// The runtimes a player's command runs on: an interpreter or virtual
// machine (python3, java, node, ...) that the organiser may have installed
// anywhere, under /opt or in a home, and the wrapper scripts of version
// managers (shims) that stand in PATH for it. A sandboxed player sees such
// a runtime as its whole installation, read-only, at the same path, so
// that it finds its libraries where it was built to look for them.
#pragma once

#include <optional>
#include <string>

namespace referee {

// Whether the program's name is that of an interpreter or virtual
// machine: its command then names the player's own files, not the
// program's folder. "python3.11" counts as "python".
bool is_interpreter(const std::string& program);

// A version manager's shim: a script that runs TOOL exec NAME. What it
// stands for, as the organiser would run it from `folder`: the program
// (`TOOL which NAME`) and the tool's own folder (the parent of the shims').
struct Shim {
    std::string program;  // absolute; "" when the tool named none
    std::string root;
};
std::optional<Shim> follow_shim(const std::string& path, const std::string& folder);

// The folder that holds the whole installation of the program at `path`:
// PREFIX for PREFIX/bin/NAME (links followed), else the program's folder;
// never "/" or a home itself. "" for a system program (under /usr).
std::string installation_of(const std::string& path);

// The interpreter a script names on its #! line, "" for none.
std::string script_interpreter(const std::string& path);

}  // namespace referee
