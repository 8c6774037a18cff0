// A folder of replay pages, one file per game and an index linking them:
// what `replay --html DIR` writes, and the games of a published run. A
// page per game keeps each file the size of its game, however many games
// the run played.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "records/game.h"
#include "records/results.h"

namespace gamepage {

// "game-12.html": the page of the game numbered 12 in its run (or its
// place in a record file).
std::string game_page_name(int number);

// What the folder's index says of one game.
struct GameLine {
    int number = 0;
    std::string black;
    std::string white;
    std::string result;  // "1-0", "0-1", "1/2-1/2", "*"
    std::string reason;  // the termination, as the record gives it
    int plies = 0;
};

GameLine game_line(int number, const records::Game& game);

// The game a results line holds, checked to replay as a record's game is;
// nullopt with `why` set when its moves do not replay.
std::optional<records::Game> game_of(const records::GameEntry& entry, std::string& why);

// Writes the game's page into `dir` under game_page_name(number); an error
// message when the file cannot be written.
std::optional<std::string> write_game_page(const std::filesystem::path& dir, int number,
                                           const records::Game& game);

// index.html in `dir`: every game with its players, result, reason and
// plies, linking to its page. `heading` titles it; `up`, when not empty, is
// the address of a page above it, linked as "back".
std::optional<std::string> write_games_index(const std::filesystem::path& dir,
                                             const std::vector<GameLine>& games,
                                             const std::string& heading, const std::string& up);

}  // namespace gamepage
