// Paths a run writes to and runs players from, as a job started in another
// folder (or on another machine with the same file system) must see them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace referee {

// Whether `path` holds the {game} placeholder: each game its own file.
bool per_game(const std::string& path);
// `path` with every {game} replaced by the game's number.
std::string for_game(const std::string& path, int game);
// Whether `path` holds {batch}: each job of --schedule --batch its own file.
bool per_batch(const std::string& path);
// `path` with every {batch} replaced by the batch's number.
std::string for_batch(const std::string& path, int batch);

// Creates the folders `path` lies in, for a file named by game or batch: a
// run makes as many as it has games, and no one could make them all
// beforehand. An error message when one cannot be made.
std::optional<std::string> make_folders(const std::string& path);

// `path` made absolute against the current folder; "" stays "".
std::string absolute_path(const std::string& path);

// The player command with each word that is a relative path to an existing
// file or folder (a word holding a "/", not starting with "-") made
// absolute, re-quoted as the referee splits commands; `command` itself when
// no word changes. A bare program name is searched in PATH and stays.
std::string absolute_command(const std::string& command, const std::vector<std::string>& words);

}  // namespace referee
