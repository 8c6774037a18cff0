// A match: N games between the same two programs, colours alternating, the
// running score and the closing summary. A single game is a match of one.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "referee/options.h"

namespace referee {

// kSignalBase + N: stopped by signal N, as a shell reports a process killed
// by it.
enum ExitStatus { kPlayed = 0, kWriteFailed = 1, kUsage = 2, kStartFailed = 3, kSignalBase = 128 };

// Score of the first command (A) against the second (B), whatever colours
// they had in each game.
class Tally {
  public:
    Tally(std::string a, std::string b) : a_(std::move(a)), b_(std::move(b)) {}
    // `a_was_black`: which colour A had in the game just finished.
    void add(const Outcome& outcome, bool a_was_black);
    std::string score_line() const;
    std::string summary() const;
    int wins() const { return wins_; }
    int losses() const { return losses_; }
    int draws() const { return draws_; }

  private:
    std::string a_;
    std::string b_;
    int wins_ = 0;
    int losses_ = 0;
    int draws_ = 0;
    std::map<std::string, int> reasons_;
};

// "Finished game 1 (treeplayer vs gridplayer): 1-0 {white lost its town halls}"
std::string result_line(int game, const std::string& black, const std::string& white,
                        const Outcome& outcome);

// Plays the game or match the options describe, writing the boards (unless
// quiet), the result lines and scores to `out`. Returns the exit status.
int run_match(const Options& options, std::ostream& out, std::ostream& errors);

}  // namespace referee
