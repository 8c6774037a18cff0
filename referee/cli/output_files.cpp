#include "referee/cli/output_files.h"

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "files/same_file.h"
#include "referee/common/files.h"
#include "referee/match/paths.h"
#include "referee/process/player_view.h"
#include "referee/process/sandbox.h"
#include "referee/seats/human.h"
#include "text/printable.h"

namespace referee {
namespace {

bool split_run(const Options& options) {
    return options.schedule || !options.only_games.empty();
}

// Every file or folder a sandboxed player sees, with what shows it.
std::vector<std::pair<std::string, std::string>> seen_by_players(const Options& options) {
    const SandboxSettings& sandbox = options.confinement.sandbox;
    std::vector<std::pair<std::string, std::string>> seen;  // path, what shows it
    for (const auto& dir : sandbox.player_dirs)
        seen.emplace_back(absolute_normal(dir), "--player-dir");
    for (const auto& path : sandbox.see_paths)
        seen.emplace_back(absolute_normal(path), "--player-see");
    for (const auto& player : options.players) {
        int error = 0;
        const std::string program =
            is_human(player.argv) ? "" : find_program(player.argv[0], error);
        if (program.empty())
            continue;
        const PlayerView view = player_view(program, player.argv);
        for (const auto& shown : {view.folder, view.lone_file}) {
            if (!shown.empty())
                seen.emplace_back(shown, "the folder of " + player.name);
        }
        for (const auto& runtime : view.installations)
            seen.emplace_back(runtime, "the runtime of " + player.name);
    }
    return seen;
}

}  // namespace

std::string spelled(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

const OutputOption& output_option(std::string_view option) {
    for (const OutputOption& output : kOutputFiles) {
        if (output.option == option)
            return output;
    }
    throw std::logic_error("no output file " + std::string(option));
}

std::optional<std::string> check_files(const Options& options) {
    std::vector<std::pair<const char*, const std::string*>> outputs;
    for (const OutputOption& output : kOutputFiles) {
        if (!output.folder)
            outputs.emplace_back(output.option, &(options.*output.path));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (files::same_file(*outputs[i].second, *outputs[j].second)) {
                return std::string(outputs[i].first) + " and " + outputs[j].first +
                       " name the same file, " + text::quote(*outputs[j].second, 200) +
                       ": one would overwrite the other";
            }
        }
    }
    std::vector<std::string> inputs = options.merge_paths;
    for (const auto& player : options.players) {
        for (const auto& word : player.argv) {
            std::error_code error;
            if (std::filesystem::is_regular_file(word, error))
                inputs.push_back(word);
        }
    }
    for (const auto& [option, path] : outputs) {
        for (const auto& input : inputs) {
            if (files::same_file(*path, input)) {
                return std::string(option) + " " + text::quote(*path, 200) + " is " +
                       text::quote(input, 200) + ", which the run reads: it would be overwritten";
            }
        }
    }
    return std::nullopt;
}

// The run is refused, with where the output lies: first the outputs that
// may only not lie within a view, then those that may not overlap one.
std::optional<std::string> check_hidden_outputs(const Options& options) {
    if (options.sandbox == SandboxMode::Off)
        return std::nullopt;
    const auto seen = seen_by_players(options);
    for (const OutputOption& output : kOutputFiles) {
        const std::string& path = options.*output.path;
        if (output.hidden != Hidden::Within || path.empty())
            continue;
        // A name per game lands in the folder of its pattern.
        const std::string file = absolute_normal(path);
        for (const auto& [shown, what] : seen) {
            if (lies_in(file, shown))
                return std::string(output.option) + " " + text::quote(path, 200) + " lies in " +
                       what + " (" + shown + "), which players see: write it elsewhere";
        }
    }
    // The players' logs go into folders of their own under it, which may be
    // what a player sees as well.
    for (const OutputOption& output : kOutputFiles) {
        const std::string& dir = options.*output.path;
        if (output.hidden != Hidden::Overlap || dir.empty())
            continue;
        const std::string folder = absolute_normal(dir);
        for (const auto& [shown, what] : seen) {
            if (lies_in(folder, shown) || lies_in(shown, folder))
                return std::string(output.option) + " " + text::quote(dir, 200) + " and " + what +
                       " (" + shown + "), which players see, overlap: write the logs elsewhere";
        }
    }
    return std::nullopt;
}

std::optional<std::string> check_outside_field(const Options& options) {
    const std::string field = absolute_normal(options.field.dir);
    for (const OutputOption& output : kOutputFiles) {
        const std::string& path = options.*output.path;
        if (!output.in_field && !path.empty() && lies_in(absolute_normal(path), field))
            return std::string(output.option) + " " + text::quote(path, 200) +
                   " lies in the field " + field + ", which players see: write it elsewhere";
    }
    return std::nullopt;
}

std::optional<std::string> check_own_files(const Options& options) {
    for (const OutputOption& output : kOutputFiles) {
        const std::string& path = options.*output.path;
        if (output.job == InJob::Own && options.schedule && !path.empty() && !per_game(path) &&
            !per_batch(path)) {
            return std::string("--schedule cannot share one ") + output.option +
                   " among separate jobs: give each game its own with {game} in the name (or "
                   "each batch with {batch})";
        }
    }
    return std::nullopt;
}

std::optional<std::string> check_job_names(const Options& options) {
    if (options.batch > 0 && !options.schedule && options.only_games.empty())
        return "--batch goes with --schedule (K games a job) or with a job's --only-game";
    for (const OutputOption& output : kOutputFiles) {
        const bool named = output.job == InJob::Own || output.job == InJob::Appended;
        if (named && per_batch(options.*output.path) && options.batch == 0)
            return std::string(output.option) + " names a file by {batch}: that needs --batch K";
    }
    const bool one_game_a_job =
        (options.schedule && options.batch <= 1) || options.only_games.size() == 1;
    for (const OutputOption& output : kOutputFiles) {
        if (output.job == InJob::Appended && per_game(options.*output.path) && !one_game_a_job)
            return std::string("{game} in ") + output.option +
                   " names the file of a job of one game: give --schedule (without --batch) or "
                   "--only-game K, or name a batch's file by {batch}";
    }
    return std::nullopt;
}

std::optional<std::string> check_merged_outputs(const Options& options) {
    std::vector<std::string> merged;
    bool given = false;
    for (const OutputOption& output : kOutputFiles) {
        if (output.job == InJob::Merged) {
            merged.emplace_back(output.option);
            given = given || !(options.*output.path).empty();
        }
    }
    if (split_run(options) && given)
        return "a split run's jobs publish nothing: give " + spelled(merged) + " to --merge";
    return std::nullopt;
}

std::vector<std::string> job_file_words(const Options& options) {
    std::vector<std::string> words;
    for (const OutputOption& output : kOutputFiles) {
        const std::string& path = options.*output.path;
        if (output.job == InJob::Own && !path.empty())
            words.insert(words.end(), {output.option, absolute_path(path)});
    }
    return words;
}

}  // namespace referee
