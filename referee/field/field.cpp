#include "referee/field/field.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "referee/common/interrupt.h"
#include "referee/field/run_folder.h"
#include "referee/formats/pairings.h"
#include "referee/formats/schedule.h"
#include "referee/process/bounded_run.h"
#include "referee/process/player_group.h"
#include "referee/process/player_ids.h"
#include "referee/seats/seating.h"
#include "text/printable.h"

namespace referee {
namespace {

namespace fs = std::filesystem;

// What a results line keeps of a build's output: the first errors of a
// compiler are the ones that tell.
constexpr std::size_t kBuildOutputBytes = std::size_t{64} << 10U;

bool executable(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

std::string command_text(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + shell_quote(word);
    return text;
}

// Where players run under ids of their own, an organiser's folder is never
// theirs; an ordinary user's run may build in place where it may write.
bool needs_copy(const Submission& submission, bool own_ids) {
    return own_ids || ::access(submission.folder.c_str(), W_OK) != 0;
}

// A submission as the run plays it: where it lies and the id it runs as.
struct Entry {
    Submission submission;
    std::string shown;     // its name among all the run's players
    std::string location;  // the folder it builds and runs in
    std::optional<uid_t> id;
};

// Copies the submission when its folder is not the player's to write, and
// makes sure that its id can use what it is given; an error message if not.
std::optional<std::string> place(Entry& entry, const RunFolder& copies,
                                 const Confinement& confinement) {
    const bool own_ids = confinement.own_ids;
    const Submission& submission = entry.submission;
    const std::string base = fs::path(submission.folder).filename().string();
    const bool copied = needs_copy(submission, own_ids);
    entry.location = copied ? copies.copy_of(base) : submission.folder;
    if (own_ids) {
        entry.id = PlayerIds::instance().id_for(in_folder(entry.location, "run"));
        if (!entry.id)
            return "no user id left in --player-uids for " + submission.name;
    }
    if (copied) {
        if (auto failed = copies.copy(submission.folder, base, entry.id))
            return failed;
    }
    if (!entry.id)
        return std::nullopt;
    PlayerAccess access{entry.location + "/run", {}, {entry.location}, {}, {}};
    SandboxSettings shown = confinement.sandbox;
    if (submission.builds) {
        access.writable.push_back(entry.location);
        shown.player_dirs.push_back(entry.location);
    }
    // Reached as its start reaches it, also where --results lies in a
    // private folder.
    const auto words = in_folder(entry.location, "run");
    int error = 0;
    access.reveal = player_reveal(shown, player_view(find_program(words[0], error), words));
    if (const std::string why = check_as(*entry.id, access); !why.empty())
        return "the copy of " + submission.name + " cannot be used under its own user id: " + why;
    return std::nullopt;
}

// Runs the build as the player would run, with its folder writable.
records::Build build(const Entry& entry, const Confinement& confinement, int seconds,
                     bool& interrupted) {
    Launch launch{in_folder(entry.location, "build"), new_game_tag(), confinement, entry.id};
    launch.confinement.sandbox.player_dirs.push_back(entry.location);
    launch.error_to_output = true;
    const BoundedRun run = run_bounded(launch, std::chrono::seconds(seconds), kBuildOutputBytes);
    interrupted = run.interrupted;
    return {entry.shown, run.ok(), run.why, run.seconds, run.output};
}

}  // namespace

std::vector<Submission> find_submissions(const std::string& dir) {
    std::vector<Submission> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (!entry.is_directory(error) || !executable(entry.path() / "run"))
            continue;
        const std::string folder = fs::absolute(entry.path(), error).lexically_normal().string();
        found.push_back({text::printable(entry.path().filename().string()), folder,
                         executable(entry.path() / "build")});
    }
    std::sort(found.begin(), found.end(), [](const Submission& a, const Submission& b) {
        return fs::path(a.folder).filename() < fs::path(b.folder).filename();
    });
    return found;
}

std::vector<std::string> in_folder(const std::string& folder, const std::string& file) {
    // The sandbox starts a player in its folder; env does so without one.
    return {"env", "-C", folder, folder + "/" + file};
}

std::string run_folder_path(const std::string& results_path) {
    return results_path.empty() ? "" : results_path + ".field";
}

int run_field(MatchOptions options, const FieldOptions& field, std::ostream& out,
              std::ostream& errors) {
    std::vector<std::vector<std::string>> commands;
    for (const auto& player : options.players)
        commands.push_back(player.argv);
    if (!settle_sandbox(options.sandbox, options.game, options.confinement, commands, errors))
        return kStartFailed;
    options.settled = true;
    const bool own_ids = options.confinement.own_ids;

    std::vector<Entry> entries;
    std::vector<std::string> names;
    for (const auto& player : options.players)
        names.push_back(player.name);
    for (auto& submission : find_submissions(field.dir)) {
        names.push_back(submission.name);
        entries.push_back({std::move(submission), {}, {}, std::nullopt});
    }
    names = distinct_names(names);
    RunFolder copies;
    bool opened = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Entry& entry = entries[i];
        entry.shown = names[options.players.size() + i];
        if (!opened && needs_copy(entry.submission, own_ids)) {
            if (auto failed = copies.open(run_folder_path(options.results_path), own_ids)) {
                errors << "referee: " << *failed << '\n';
                return kStartFailed;
            }
            opened = true;
        }
        if (auto failed = place(entry, copies, options.confinement)) {
            errors << "referee: " << *failed << '\n';
            return kStartFailed;
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (entry.submission.builds) {
            bool interrupted = false;
            options.builds.push_back(
                build(entry, options.confinement, field.build_seconds, interrupted));
            if (interrupted)
                return kSignalBase + interrupt_signal();
            const records::Build& done = options.builds.back();
            if (!done.ok) {
                out << "Left out " << entry.shown << ": its build failed (" << done.why << ")\n";
                continue;
            }
        }
        const auto words = in_folder(entry.location, "run");
        options.players.push_back({entry.shown, command_text(words), words});
    }
    out << std::flush;
    if (options.players.size() < 2) {
        errors << "referee: fewer than two players are left to play\n";
        return kStartFailed;
    }
    return run_match(options, out, errors);
}

}  // namespace referee
