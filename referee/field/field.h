// A field of submissions: every folder in a folder that holds an executable
// file `run` is a player, named after its folder and started as ./run in
// it. One that also holds an executable `build` has it run once before any
// game, as the player, in the sandbox, with its own folder writable; a
// player whose build fails is left out of the run, which says so.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "referee/match/match.h"

namespace referee {

struct Submission {
    std::string name;     // the folder's name, as shown (printable)
    std::string folder;   // absolute
    bool builds = false;  // it holds an executable `build`
};

// The submissions in `dir`, in name order.
std::vector<Submission> find_submissions(const std::string& dir);

struct FieldOptions {
    std::string dir;  // --field; "" for none
    int build_seconds = 600;
};

// The words that start `file` ("run", "build") of the submission in
// `folder`, with `folder` its working directory also outside the sandbox.
std::vector<std::string> in_folder(const std::string& folder, const std::string& file);

// Where a run with this results file copies submissions: beside it, in
// RESULTS.field; "" (a temporary folder) for a run without one.
std::string run_folder_path(const std::string& results_path);

// Builds the field, in copies where a submission's folder is not its
// player's to write (always as root, where players run under ids of their
// own); adds the players that built, or need no build, after those the
// commands give; says on `out` which were left out and why, and keeps each
// build in the results file; then plays the run. The exit status.
int run_field(MatchOptions options, const FieldOptions& field, std::ostream& out,
              std::ostream& errors);

}  // namespace referee
