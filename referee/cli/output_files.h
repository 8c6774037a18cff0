// The files and folders a run writes, one row each with every rule about
// it: declaring the options, every check before a run and the command line
// of each job of a split run read this table, so a new output is one more
// row (and one line placing it in the help).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "referee/cli/options.h"

namespace referee {

// How each job of a split run (--schedule, --only-game) comes by the output.
enum class InJob {
    // Each game's own file by {game} in the name, or each batch's by
    // {batch}: every job is given it, and jobs may not share one.
    Own,
    // One file every job appends to, or by {game} a one-game job's own and
    // by {batch} a batch's: --schedule gives it to each job.
    Appended,
    // The same for every job: repeated with the game options, its path
    // made absolute, and a run may resume with another.
    Repeated,
    // Not at all: written at the end of a whole run, so the --merge of the
    // jobs' results writes it.
    Merged,
};

// What a sandboxed player may see of it (player_view.h).
enum class Hidden {
    Within,   // it may not lie within anything a player sees
    Overlap,  // nor hold any of that: each player's logs are a folder of it
};

struct OutputOption {
    const char* option;          // "--record"
    std::string Options::*path;  // the member it fills; empty: not written
    // A folder (DIR), or a file (FILE): a file must differ from every other
    // file the run writes and from every file it reads.
    bool folder;
    InJob job;
    Hidden hidden;
    bool with_check;  // allowed with --check, which writes no files
    bool in_field;    // may lie in the --field folder, which players see
    const char* help;
};

// In the order the checks report in.
inline constexpr OutputOption kOutputFiles[] = {
    {"--record", &Options::record_path, false, InJob::Own, Hidden::Within, false, false,
     "write the game records (tag pairs and moves), in game order, to FILE; {game} in FILE "
     "gives each game a file of its own, named by its number (games/g{game}.txt)"},
    {"--log", &Options::log_path, false, InJob::Own, Hidden::Within, false, false,
     "write every line both ways and the players' standard error to FILE; {game} as for "
     "--record"},
    {"--results", &Options::results_path, false, InJob::Appended, Hidden::Within, false, false,
     "append one JSON line per game and a summary to FILE, {game} or {batch} naming a job's "
     "own (--merge: write the merged ones)"},
    {"--player-logs", &Options::player_logs_dir, true, InJob::Repeated, Hidden::Overlap, false,
     false,
     "write each player's own log of each game to DIR/NAME/game-K.txt: what it received, "
     "sent and wrote on standard error, nothing of its opponent's"},
    {"--site", &Options::site_dir, true, InJob::Merged, Hidden::Within, false, false,
     "at the end of the run or --merge, write a static site to DIR: standings, crosstable, "
     "a page per player and per game, and standings.csv and crosstable.csv"},
    {"--crosstable", &Options::crosstable_path, false, InJob::Merged, Hidden::Within, false, false,
     "at the end of the run or --merge, write the crosstable as CSV to FILE, at any "
     "field size"},
};

// "a, b or c"
std::string spelled(const std::vector<std::string>& names);

// The row of `option`; throws std::logic_error for an option not in it.
const OutputOption& output_option(std::string_view option);

// Every file the run writes differs from every other one and from every
// file it reads (the results merged, the player programs and scripts),
// however each is spelt.
std::optional<std::string> check_files(const Options& options);

// No output lies in what a sandboxed player sees: it would read its
// opponent's moves and errors in the log, or change the results.
std::optional<std::string> check_hidden_outputs(const Options& options);

// No output lies in the folder of a field, which every player sees.
std::optional<std::string> check_outside_field(const Options& options);

// --schedule: no job shares a file of a game's or a batch's own.
std::optional<std::string> check_own_files(const Options& options);

// {game} and {batch} in the names of the files a job writes: each names a
// job's own file, so each needs jobs it can name.
std::optional<std::string> check_job_names(const Options& options);

// The outputs a split run's jobs do not write, but their --merge does.
std::optional<std::string> check_merged_outputs(const Options& options);

// The words that give each job of a split run its own files, paths made
// absolute: "--record", "/abs/g{game}.txt", ...
std::vector<std::string> job_file_words(const Options& options);

}  // namespace referee
