#include "referee/process/player_view.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "referee/process/runtimes.h"

namespace referee {
namespace {

namespace fs = std::filesystem;

bool system_file(const std::string& path) {
    std::error_code error;
    const std::string real = fs::canonical(path, error).string();
    return !error && lies_in(real, "/usr");
}

bool regular_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string absolute_normal(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path;
    std::string text = absolute.lexically_normal().string();
    if (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool lies_in(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return true;
    return path.rfind(folder, 0) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

namespace {

// Where a word of the command points: words after env's -C (--chdir) are
// relative to its folder, the others to the referee's.
std::string resolved(const std::string& word, const std::string& base) {
    if (word.empty() || word.front() == '/' || base.empty())
        return absolute_normal(word);
    return absolute_normal(base + "/" + word);
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool folder_at(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The options whose value names the player's folder.
enum class Names { File, Chdir, ClassPath, Module };

Names named_by(const std::string& option, bool env) {
    if (env && (option == "-C" || option == "--chdir"))
        return Names::Chdir;
    if (option == "-cp" || option == "-classpath" || option == "--class-path")
        return Names::ClassPath;
    if (option == "-m")
        return Names::Module;
    return Names::File;
}

// Each entry of a class path that is there, made absolute.
std::string absolute_class_path(const std::string& value, const std::string& base) {
    std::string out;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find(':', start), value.size());
        const std::string entry = value.substr(start, end - start);
        out += (start == 0 ? "" : ":") +
               (exists(resolved(entry, base)) ? resolved(entry, base) : entry);
        start = end + 1;
    }
    return out;
}

// The folder a class path names first: a folder in it, or a jar's.
std::string class_path_folder(const std::string& value, const std::string& base) {
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find(':', start), value.size());
        std::string entry = resolved(value.substr(start, end - start), base);
        if (folder_at(entry))
            return entry;
        if (regular_file(entry))
            return fs::path(entry).parent_path().string();
        start = end + 1;
    }
    return {};
}

// The folder `python3 -m pkg.main` runs in, when pkg is there.
std::string module_folder(const std::string& module, const std::string& base) {
    const std::string where = base.empty() ? absolute_normal(".") : base;
    const std::string top = module.substr(0, module.find('.'));
    return folder_at(where + "/" + top) || regular_file(where + "/" + top + ".py") ? where
                                                                                   : std::string();
}

// An installation once: the outer one of two nested.
void add_installation(PlayerView& view, const std::string& folder) {
    auto& known = view.installations;
    if (folder.empty() ||
        std::any_of(known.begin(), known.end(), [&](const auto& k) { return lies_in(folder, k); }))
        return;
    std::erase_if(known, [&](const std::string& k) { return lies_in(k, folder); });
    known.push_back(folder);
}

// A runtime the command or its script names from outside /usr: its whole
// installation, and a version manager's shim followed to what it runs. A
// shim that still runs (one a #! line names) needs its tool's whole folder.
std::string runtime_program(PlayerView& view, const std::string& program, const std::string& folder,
                            bool replaceable) {
    if (program.empty() || program.front() != '/' || system_file(program))
        return program;
    std::string real = program;
    if (const auto shim = follow_shim(program, folder)) {
        if (!replaceable || shim->program == program)
            add_installation(view, shim->root);
        real = replaceable ? shim->program : program;
    }
    add_installation(view, installation_of(real));
    return real;
}

}  // namespace

PlayerView player_view(const std::string& program, const std::vector<std::string>& argv) {
    PlayerView view;
    view.program = absolute_normal(program);
    view.argv = argv;
    const bool env = fs::path(view.program).filename() == "env" && system_file(view.program);
    const bool runtime = is_interpreter(view.program) || follow_shim(view.program, "").has_value();
    // The words that may name the player's folder, in order: a file, or
    // the folder an option gives.
    std::vector<std::pair<Names, std::string>> named;
    if (!runtime)
        named.emplace_back(Names::File, view.program);
    std::string base;
    for (std::size_t i = 1; i < view.argv.size(); ++i) {
        std::string& word = view.argv[i];
        const Names kind = named_by(i > 1 ? view.argv[i - 1] : "", env);
        std::string value = word;
        if (env && word.rfind("--chdir=", 0) == 0)
            value = word.substr(8);
        const bool chdir = kind == Names::Chdir || value != word;
        // Relative to the referee's folder, which the player does not see.
        if (kind == Names::ClassPath)
            word = absolute_class_path(value, base);
        else if (value.find('/') != std::string::npos && value.front() != '/' &&
                 kind != Names::Module && exists(resolved(value, base)))
            word = (value != word ? "--chdir=" : "") + resolved(value, base);
        if (chdir) {
            base = resolved(value, base);
            named.emplace_back(Names::Chdir, base);
        } else if (kind == Names::ClassPath) {
            named.emplace_back(kind, class_path_folder(value, base));
        } else if (kind == Names::Module) {
            named.emplace_back(kind, module_folder(value, base));
        } else {
            named.emplace_back(Names::File, resolved(value, base));
        }
    }
    for (const auto& [kind, path] : named) {
        if (kind != Names::File) {
            if (path.empty() || path == "/" || path == "/tmp")
                continue;
            view.folder = path;
            break;
        }
        if (!regular_file(path) || system_file(path))
            continue;
        const std::string folder = fs::path(path).parent_path().string();
        // Its folder would show the whole machine, or the host's /tmp.
        if (folder == "/" || folder == "/tmp")
            view.lone_file = path;
        else
            view.folder = folder;
        break;
    }
    // A program that is a link runs what it links to: its folder too.
    std::error_code error;
    const std::string target = fs::canonical(view.program, error).parent_path().string();
    if (!runtime && !error && fs::is_symlink(view.program, error) && !system_file(view.program) &&
        target != view.folder && target != "/" && target != "/tmp")
        add_installation(view, target);
    const std::string where = view.folder.empty() ? base : view.folder;
    if (runtime)
        view.program = runtime_program(view, view.program, where, true);
    else
        runtime_program(view, script_interpreter(view.program), where, false);
    // What the player runs and reads of what it sees.
    view.files.push_back(view.program);
    for (const auto& [kind, file] : named) {
        if (kind == Names::File && file != view.program && regular_file(file) &&
            ((!view.folder.empty() && lies_in(file, view.folder)) || file == view.lone_file))
            view.files.push_back(file);
    }
    return view;
}

std::vector<std::string> etc_view() {
    std::vector<std::string> paths{"/etc/ld.so.cache",   "/etc/ld.so.conf", "/etc/ld.so.conf.d",
                                   "/etc/locale.alias",  "/etc/localtime",  "/etc/timezone",
                                   "/etc/nsswitch.conf", "/etc/passwd",     "/etc/group",
                                   "/etc/hosts",         "/etc/host.conf",  "/etc/alternatives"};
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/etc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("java-", 0) == 0)
            paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> player_environment(const std::vector<std::string>& passed) {
    std::vector<std::string> entries{"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/tmp",
                                     "TMPDIR=/tmp", "LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    for (const auto& entry : passed) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        std::erase_if(entries, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace referee
