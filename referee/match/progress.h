// What a long run shows while it goes, beside the result lines that come in
// game order: each game as it starts and ends, whatever order games played
// side by side end in, with games done of all, the time so far, the time
// still to go and the running points.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "records/result.h"
#include "records/usage.h"
#include "referee/common/clock.h"

namespace referee {

enum class ProgressMode {
    Off,
    // A line as each game starts and one as it ends:
    //   Playing game 3 of 12 (x vs y)
    //   Game 3 of 12 over (x vs y): 1-0; 5 of 9 done, 0:42 elapsed, 1:10 to go; x 3, y 1.5
    Lines,
    // One status line, redrawn in place (a terminal):
    //   5 of 9 games done, 2 playing, 0:42 elapsed, 1:10 to go; x 3, y 1.5
    Status,
};

// Not thread-safe: the caller serialises every call with its other output
// to the same stream, and calls hide() before that output and show() after.
class Progress {
  public:
    // `to_play`: the games this run plays (a resumed run: the missing ones).
    Progress(ProgressMode mode, std::ostream& out, std::vector<std::string> names, int to_play);

    void started(int number, int total, int black, int white);
    // `usage`: what each side used, black first.
    void finished(int number, int total, int black, int white, records::Result result,
                  const std::array<records::PlayerUsage, 2>& usage);
    // Takes the status line off the screen, or brings it back.
    void hide();
    void show();

    // "1:05:07" or "4:02": hours only when there are any.
    static std::string duration(double seconds);

  private:
    std::string status() const;

    ProgressMode mode_;
    std::ostream& out_;
    std::vector<std::string> names_;
    std::vector<double> points_;
    int to_play_;
    int done_ = 0;
    int playing_ = 0;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
};

}  // namespace referee
