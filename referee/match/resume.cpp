#include "referee/match/resume.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "referee/match/results.h"

namespace referee {

ResumeCheck check_resume(const std::string& path, const records::RunInfo& run,
                         const std::vector<ScheduledGame>& games) {
    return check_resume(
        path, run, static_cast<int>(games.size()), [&](const records::GameEntry& entry) {
            const ScheduledGame& scheduled = games[static_cast<std::size_t>(entry.game - 1)];
            const std::string& black = run.players[static_cast<std::size_t>(scheduled.black)];
            const std::string& white = run.players[static_cast<std::size_t>(scheduled.white)];
            if (entry.black == black && entry.white == white)
                return std::string();
            return "is " + entry.black + " vs " + entry.white + "; this run's game " +
                   std::to_string(entry.game) + " is " + black + " vs " + white;
        });
}

ResumeCheck check_resume(const std::string& path, const records::RunInfo& run, int total,
                         const std::function<std::string(const records::GameEntry&)>& misfit) {
    ResumeCheck check;
    // Only a regular file holds earlier games; anything else (a FIFO, a
    // device) would block or never end, and opening it for the results
    // fails the run instead.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return check;
    std::ifstream in(path, std::ios::binary);
    const records::ReadResults read = records::read_results(in, path, false);
    for (const auto& line : read.runs) {
        if (*line.run != run) {
            check.refusal = line.origin + " (the run line) comes from another run, " +
                            records::run_difference(run, *line.run);
            return check;
        }
    }
    check.has_run_line = !read.runs.empty();
    std::set<int> seen;
    for (const auto& entry : read.games) {
        const std::string where = entry.origin + " (game " + std::to_string(entry.game) + ")";
        if (entry.run && *entry.run != run) {
            check.refusal =
                where + " comes from another run, " + records::run_difference(run, *entry.run);
            return check;
        }
        if (entry.game > total || (entry.scheduled > 0 && entry.scheduled != total)) {
            check.refusal = where + " belongs to a run of " +
                            std::to_string(std::max(entry.scheduled, entry.game)) +
                            " games or more; this one has " + std::to_string(total);
            return check;
        }
        if (const std::string why = misfit(entry); !why.empty()) {
            check.refusal = where + " " + why;
            return check;
        }
        if (entry.result != "*" && seen.insert(entry.game).second)
            check.done.push_back(entry);
    }
    std::sort(
        check.done.begin(), check.done.end(),
        [](const records::GameEntry& a, const records::GameEntry& b) { return a.game < b.game; });
    return check;
}

std::string resume_line(int done, int selected, const std::string& path) {
    const int missing = selected - done;
    return "Resuming: " + std::to_string(done) + " of " + std::to_string(selected) +
           (selected == 1 ? " game is" : " games are") + " in " + path + "; " +
           (missing == 0 ? std::string("nothing left to play")
                         : "playing the " + std::to_string(missing) + " missing");
}

ResumeCheck check_swiss_resume(const std::string& path, const records::RunInfo& run,
                               const SwissPlan& plan) {
    // A game's pairing follows from the games before it: checked once all
    // are read.
    ResumeCheck check = check_resume(path, run, plan.total(),
                                     [](const records::GameEntry&) { return std::string(); });
    if (check.refusal.empty())
        check.refusal = swiss_misfit(plan, run.players, check.done);
    if (!check.refusal.empty())
        check.done.clear();
    return check;
}

}  // namespace referee
