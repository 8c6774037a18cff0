#include "records/merge.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace records {
namespace {

// "games missing (3): 2, 5, 9", or empty when none is. Only the first few
// are named: one bad game number must not make the report as long as the
// gap. `games` are sorted by number, each number once.
std::string missing_games(const std::vector<GameEntry>& games) {
    constexpr long kNamed = 20;
    std::vector<long> present;
    long scheduled = 0;
    for (const auto& game : games) {
        present.push_back(game.game);
        scheduled = std::max<long>(scheduled, game.scheduled);
    }
    // One past the last game the run was to play closes the last gap.
    present.push_back(std::max(scheduled, present.empty() ? 0L : present.back()) + 1);
    std::string named;
    long count = 0;
    long expected = 1;
    for (const long number : present) {
        for (long k = 0; expected + k < number && count + k < kNamed; ++k)
            named += (named.empty() ? "" : ", ") + std::to_string(expected + k);
        count += number - expected;
        expected = number + 1;
    }
    if (count == 0)
        return "";
    return "games missing (" + std::to_string(count) + "): " + named +
           (count > kNamed ? ", ..." : "");
}

// What a merge kept of a game found twice, and why the two may differ.
std::string duplicate_note(const GameEntry& kept, const GameEntry& left_out) {
    std::string note = "game " + std::to_string(kept.game) + " appears more than once: kept " +
                       kept.origin + " (" + kept.result + "), the first read; left out " +
                       left_out.origin + " (" + left_out.result + ")";
    if (kept.run && left_out.run && kept.run != left_out.run)
        note += ", from another run (" + run_difference(*kept.run, *left_out.run) + ")";
    else if (kept.moves == left_out.moves)
        note += ", the same game";
    return note;
}

// One description per distinct run across all files: the games of a run
// compare by pointer, and the merged file says each run once.
void share_runs(std::vector<GameEntry>& games) {
    std::vector<std::shared_ptr<const RunInfo>> distinct;
    // A file's games share one already: the last one looked up answers most.
    std::shared_ptr<const RunInfo> last_read;
    std::shared_ptr<const RunInfo> last_kept;
    for (auto& game : games) {
        if (!game.run)
            continue;
        if (game.run == last_read) {
            game.run = last_kept;
            continue;
        }
        last_read = game.run;
        const auto found = std::find_if(distinct.begin(), distinct.end(),
                                        [&](const auto& run) { return *run == *game.run; });
        if (found == distinct.end())
            distinct.push_back(game.run);
        else
            game.run = *found;
        last_kept = game.run;
    }
}

}  // namespace

ReadResults merge_results(const std::vector<std::string>& paths) {
    ReadResults merged;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            merged.problems.push_back(path + ": cannot be read");
            ++merged.unreadable;
            continue;
        }
        // The moves stay: a merged results file keeps every game whole, so
        // that replay can show any of them. Memory grows with the input.
        ReadResults one = read_results(in, path);
        merged.problems.insert(merged.problems.end(), one.problems.begin(), one.problems.end());
        for (auto& build : one.builds) {
            std::erase_if(merged.builds, [&](const Build& b) { return b.player == build.player; });
            merged.builds.push_back(std::move(build));
        }
        std::move(one.games.begin(), one.games.end(), std::back_inserter(merged.games));
    }
    share_runs(merged.games);
    // Stable: of two finished lines for one game (a job that ran twice), the
    // first read is kept, whatever order the sort would otherwise pick.
    std::stable_sort(merged.games.begin(), merged.games.end(),
                     [](const GameEntry& a, const GameEntry& b) { return a.game < b.game; });
    std::vector<GameEntry> unique;
    for (auto& game : merged.games) {
        if (!unique.empty() && unique.back().game == game.game) {
            if (replaces(unique.back(), game)) {
                unique.back() = std::move(game);
                continue;
            }
            if (!result_of(game).decided())
                continue;
            merged.problems.push_back(duplicate_note(unique.back(), game));
            continue;
        }
        unique.push_back(std::move(game));
    }
    merged.games = std::move(unique);
    const std::string missing = missing_games(merged.games);
    if (!missing.empty())
        merged.problems.push_back(missing);
    return merged;
}

}  // namespace records
