#include "referee/process/runtimes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

#include "referee/process/player_view.h"
#include "referee/process/sandbox.h"

namespace referee {
namespace {

namespace fs = std::filesystem;

// How long a version manager may take to say which program it runs.
constexpr int kWhichMillis = 5000;

std::string head_of(const std::string& path, std::size_t bytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text(bytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(bytes));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
            word = word.substr(1, word.size() - 2);
        words.push_back(word);
    }
    return words;
}

// What `argv` prints first on its standard output, run with `environment`
// in `folder`; "" when it fails or takes too long (it is then killed).
std::string first_line_of(std::vector<std::string> argv, std::vector<std::string> environment,
                          const std::string& folder) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::vector<char*> args = pointers(argv);
    const std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    std::string out;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWhichMillis);
    while (failed == 0 && out.find('\n') == std::string::npos && out.size() < 4096) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{ends[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        std::array<char, 512> chunk{};
        const ssize_t got = ::read(ends[0], chunk.data(), chunk.size());
        if (got <= 0)
            break;
        out.append(chunk.data(), static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    if (failed == 0) {
        ::kill(pid, SIGKILL);
        // The orphan reaper may have reaped it first.
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    return out.substr(0, out.find('\n'));
}

std::optional<Shim> read_shim(const std::string& path, const std::string& folder) {
    const std::string text = head_of(path, 8192);
    if (text.rfind("#!", 0) != 0)
        return std::nullopt;
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> words = words_of(line);
        // export PYENV_ROOT="/opt/pyenv": the tool reads it.
        if (words.size() == 2 && words[0] == "export" && words[1].find('$') == std::string::npos &&
            words[1].find('=') != std::string::npos) {
            std::string entry = words[1];
            std::erase_if(entry, [](char c) { return c == '"' || c == '\''; });
            const std::string name = entry.substr(0, entry.find('=') + 1);
            std::erase_if(environment, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
            environment.push_back(entry);
            continue;
        }
        // exec "/opt/pyenv/libexec/pyenv" exec "$program" "$@"
        if (words.size() < 4 || words[0] != "exec" || words[2] != "exec" || words[1].front() != '/')
            continue;
        std::string name = words[3];
        if (name.front() == '$')
            name = fs::path(path).filename().string();
        const std::string root =
            fs::path(absolute_normal(path)).parent_path().parent_path().string();
        std::string program = first_line_of({words[1], "which", name}, environment, folder);
        if (program.empty() || program.front() != '/' || ::access(program.c_str(), X_OK) != 0)
            program.clear();
        return Shim{absolute_normal(program.empty() ? path : program), root};
    }
    return std::nullopt;
}

// A folder that shows far more than one installation.
bool too_wide(const fs::path& folder) {
    const std::string text = folder.string();
    for (const char* wide : {"/", "/tmp", "/var", "/var/tmp", "/dev/shm", "/root", "/home", "/opt"})
        if (text == wide)
            return true;
    return folder.parent_path() == "/home";
}

}  // namespace

bool is_interpreter(const std::string& program) {
    std::string name = fs::path(program).filename().string();
    while (!name.empty() && (std::isdigit(static_cast<unsigned char>(name.back())) != 0 ||
                             name.back() == '.' || name.back() == '-'))
        name.pop_back();
    static const std::array<const char*, 30> kNames{
        "python", "pypy", "java",  "node",   "nodejs",  "deno",   "bun",   "ruby",
        "perl",   "php",  "lua",   "luajit", "Rscript", "julia",  "bash",  "sh",
        "dash",   "zsh",  "ksh",   "tclsh",  "guile",   "racket", "ocaml", "swipl",
        "dotnet", "mono", "scala", "kotlin", "elixir",  "escript"};
    return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

std::optional<Shim> follow_shim(const std::string& path, const std::string& folder) {
    // Asked once per run and program: a version manager takes tens of
    // milliseconds to answer.
    static std::mutex mutex;
    static std::map<std::pair<std::string, std::string>, std::optional<Shim>> known;
    const std::lock_guard lock(mutex);
    const auto key = std::make_pair(path, folder);
    if (auto it = known.find(key); it != known.end())
        return it->second;
    return known[key] = read_shim(path, folder);
}

std::string installation_of(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    if (error || lies_in(real.string(), "/usr"))
        return {};
    const fs::path folder = real.parent_path();
    const std::string name = folder.filename().string();
    if ((name == "bin" || name == "sbin") && !too_wide(folder.parent_path()))
        return folder.parent_path().string();
    return too_wide(folder) ? std::string() : folder.string();
}

std::string script_interpreter(const std::string& path) {
    const std::string text = head_of(path, 256);
    if (text.rfind("#!", 0) != 0)
        return {};
    const std::vector<std::string> words = words_of(text.substr(2, text.find('\n') - 2));
    return words.empty() ? std::string() : words.front();
}

}  // namespace referee
