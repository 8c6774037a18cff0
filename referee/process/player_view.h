// What a sandboxed player sees of the machine: the system's programs and
// libraries (/usr and its merged links), a list of /etc files without
// secrets, and its own folder, which is also its working directory. The
// rest of its world (a private /tmp and /dev/shm, its /proc, a minimal
// /dev, the folders granted with --player-dir and --player-see) is added by
// sandbox_command. And what it finds in its environment.
#pragma once

#include <string>
#include <vector>

namespace referee {

struct PlayerView {
    // Absolute; where the command names a version manager's shim, the
    // program the shim runs.
    std::string program;
    std::vector<std::string> argv;  // words naming files made absolute
    // The folder of the first file the command names that is not a system
    // program or a runtime: "bots/alice" for "python3 bots/alice/bot.py";
    // or the folder an option names first (env -C DIR, java -cp DIR, the
    // folder python3 -m PKG finds PKG in); "" when it names none.
    std::string folder;
    // Shown alone, without its folder: a file directly in / or /tmp.
    std::string lone_file;
    // The whole installations of the runtimes outside /usr that the
    // command or its script's #! line names (runtimes.h).
    std::vector<std::string> installations;
    // The program, and the files the command names in what it shows.
    std::vector<std::string> files;
};

// `program` is argv[0] as find_program found it.
PlayerView player_view(const std::string& program, const std::vector<std::string>& argv);

// The /etc entries a player sees: what the dynamic loader, the locale, the
// time zone and the name service read, Debian's alternatives links
// (java, python, ...) and the Java runtime's configuration (/etc/java-*).
std::vector<std::string> etc_view();

// Whether `path` is `folder` or lies in it (both absolute, normalised).
bool lies_in(const std::string& path, const std::string& folder);

// An absolute, normalised path without resolving links.
std::string absolute_normal(const std::string& path);

// A player's whole environment but its game's tag: PATH, HOME and TMPDIR
// (/tmp), LANG and LC_ALL (C.UTF-8), then `passed` ("NAME=VALUE", from
// --player-env), which may replace any of them.
std::vector<std::string> player_environment(const std::vector<std::string>& passed);

}  // namespace referee
