// Results files: one JSON object per line, one line per game, and a summary
// line at the end of a run. Many one-game referees may append to one file at
// once, and a file a crashed run left behind still reads.
#pragma once

#include <chrono>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "referee/game/game.h"
#include "referee/match/game_entry.h"
#include "referee/match/standings.h"

namespace referee {

// What a results line says about game `game` of `scheduled`, just played.
GameEntry make_entry(int game, int scheduled, const std::string& black, const std::string& white,
                     const GameResult& result);

// "2026-12-07T10:25:52.123Z": UTC, so files from machines in different
// time zones sort and compare.
std::string iso8601(std::chrono::system_clock::time_point when);

// One line each, ending in a newline.
std::string game_line(const GameEntry& entry);
// {"summary": {...}}: the standings with numbers, each player's rating for
// more than two players, the match statistics for two, and the SPRT state if
// one ran. An infinite number is the string "inf" or "-inf", a missing
// estimate null (docs/statistics.md).
std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt);

// A results file opened for appending. Every line goes out in one write()
// on a descriptor opened with O_APPEND, so lines from several processes
// appending at once land whole and never inside each other (on a local file
// system; over NFS give each process its own file and merge them).
class ResultsFile {
  public:
    ResultsFile() = default;
    ResultsFile(const ResultsFile&) = delete;
    ResultsFile& operator=(const ResultsFile&) = delete;
    ~ResultsFile();

    // An error message, or nullopt when the file is open.
    std::optional<std::string> open(const std::string& path);
    // An error message, or nullopt when the whole line was written.
    std::optional<std::string> append(const std::string& line);

  private:
    int fd_ = -1;
    std::string path_;
};

struct ReadResults {
    std::vector<GameEntry> games;       // in file order
    std::vector<std::string> problems;  // lines skipped, each with why
    int unreadable = 0;                 // files that could not be opened
};

// Reads the game lines of one results file and skips summary lines.
// `name` labels the problems ("results.jsonl line 7: ...").
ReadResults read_results(std::istream& in, const std::string& name);

// Reads every file; a game number seen twice keeps its first finished line
// (an unfinished "*" line, from a job that was stopped, gives way to a
// finished one without complaint), and
// numbers missing up to the scheduled total (or the highest seen) are
// reported. Games come out sorted by
// number, ready for players_in_order() and compute_standings().
ReadResults merge_results(const std::vector<std::string>& paths);

}  // namespace referee
