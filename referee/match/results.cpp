#include "referee/match/results.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <variant>

#include "referee/common/text.h"

namespace referee {
namespace {

// Keys stay in the order they are written: a line reads game, players,
// result, ... as the format lists them.
using json = nlohmann::ordered_json;

// Player names come from the command line and may hold any bytes; invalid
// UTF-8 is replaced rather than making the dump throw and lose the game.
std::string dump_line(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

// Numbers of the summary as docs/statistics.md describes them: infinity
// has no JSON spelling and is the string "inf" or "-inf"; a zero is 0, never
// -0.0 (which would claim a direction the data does not have).
json number(double value) {
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return value == 0 ? 0.0 : value;
}

// An estimate's three numbers, null where there is no estimate (no games).
void add_estimate(json& item, const char* key, const std::optional<EloEstimate>& estimate) {
    const std::string name = key;
    item[name] = estimate ? number(estimate->elo) : json(nullptr);
    item[name + "_low"] = estimate ? number(estimate->low) : json(nullptr);
    item[name + "_high"] = estimate ? number(estimate->high) : json(nullptr);
}

bool known_result(const std::string& result) {
    return result == "1-0" || result == "0-1" || result == "1/2-1/2" || result == "*";
}

// A count from a line. A fraction or a number beyond int is none: letting
// the library convert it would be undefined behaviour on a hostile file.
int count_field(const json& line, const char* key) {
    const json& value = line.at(key);
    const bool fits = value.is_number_unsigned()
                          ? value.get<std::uint64_t>() <= std::numeric_limits<int>::max()
                          : value.is_number_integer() &&
                                value.get<std::int64_t>() >= std::numeric_limits<int>::min() &&
                                value.get<std::int64_t>() <= std::numeric_limits<int>::max();
    if (!fits)
        throw std::invalid_argument(std::string(key) + " is not a whole number within range");
    return static_cast<int>(value.get<std::int64_t>());
}

json run_json(const RunInfo& run) {
    return {{"players", run.players},       {"commands", run.commands},
            {"tournament", run.tournament}, {"games", run.games},
            {"options", run.options},       {"rows", run.rows},
            {"columns", run.columns},       {"time_control", run.time_control}};
}

RunInfo run_from(const json& value) {
    RunInfo run;
    value.at("players").get_to(run.players);
    value.at("commands").get_to(run.commands);
    value.at("tournament").get_to(run.tournament);
    run.games = count_field(value, "games");
    value.at("options").get_to(run.options);
    run.rows = count_field(value, "rows");
    run.columns = count_field(value, "columns");
    value.at("time_control").get_to(run.time_control);
    return run;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text.empty() ? "none" : text;
}

// The entry a game line holds, or why it holds none.
std::variant<GameEntry, std::string> entry_from(const json& line) {
    GameEntry entry;
    try {
        entry.game = count_field(line, "game");
        line.at("black").get_to(entry.black);
        line.at("white").get_to(entry.white);
        line.at("result").get_to(entry.result);
        line.at("termination").get_to(entry.termination);
        entry.reason = line.value("reason", entry.termination);
        entry.plies = count_field(line, "plies");
        line.at("moves").get_to(entry.moves);
        line.at("time_black").get_to(entry.time_black);
        line.at("time_white").get_to(entry.time_white);
        line.at("start").get_to(entry.start);
        line.at("end").get_to(entry.end);
        entry.scheduled = line.contains("scheduled") ? count_field(line, "scheduled") : 0;
        if (line.contains("times"))
            line.at("times").get_to(entry.times);
        if (line.contains("run"))
            entry.run = run_from(line.at("run"));
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
    if (entry.game < 1)
        return std::string("game numbers start at 1");
    if (entry.scheduled < 0 || (entry.scheduled > 0 && entry.game > entry.scheduled))
        return std::string("game number beyond the games scheduled");
    if (entry.plies < 0 || !(entry.time_black >= 0) || !(entry.time_white >= 0))
        return std::string("negative plies or times");
    // Names and reasons are shown on terminals and in tables: whatever the
    // file holds, no control character gets through.
    for (std::string* text : {&entry.black, &entry.white, &entry.termination, &entry.reason})
        *text = printable(*text);
    if (entry.black.empty() || entry.white.empty() || entry.black == entry.white)
        return std::string("black and white must be two named players");
    if (!entry.times.empty() && entry.times.size() != entry.moves.size())
        return std::string("times and moves differ in number");
    if (!known_result(entry.result))
        return "unknown result \"" + entry.result + "\"";
    return entry;
}

bool file_ends_mid_line(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size == 0)
        return false;
    char last = '\n';
    return ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

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
    if (kept.run && left_out.run && *kept.run != *left_out.run)
        note += ", from another run (" + run_difference(*kept.run, *left_out.run) + ")";
    else if (kept.moves == left_out.moves)
        note += ", the same game";
    return note;
}

}  // namespace

std::string run_difference(const RunInfo& here, const RunInfo& there) {
    const auto differ = [](const char* what, const std::string& a, const std::string& b) {
        return std::string(what) + ": " + a + " here, " + b + " there";
    };
    if (here.players != there.players)
        return differ("the players", joined(here.players), joined(there.players));
    if (here.commands != there.commands) {
        for (std::size_t i = 0; i < here.commands.size(); ++i) {
            if (here.commands[i] != there.commands[i])
                return differ(("the command of " + here.players[i]).c_str(), here.commands[i],
                              there.commands[i]);
        }
    }
    if (here.tournament != there.tournament)
        return differ("the tournament", here.tournament, there.tournament);
    if (here.games != there.games)
        return differ("the games per pairing", std::to_string(here.games),
                      std::to_string(there.games));
    if (here.options != there.options)
        return differ("the game options", joined(here.options), joined(there.options));
    if (here != there)
        return differ("the board or clocks",
                      std::to_string(here.rows) + "x" + std::to_string(here.columns) + " " +
                          here.time_control,
                      std::to_string(there.rows) + "x" + std::to_string(there.columns) + " " +
                          there.time_control);
    return "";
}

GameEntry make_entry(int game, int scheduled, const std::string& black, const std::string& white,
                     const GameResult& result) {
    GameEntry entry;
    entry.game = game;
    entry.scheduled = scheduled;
    entry.black = black;
    entry.white = white;
    entry.result = result.outcome.result();
    entry.termination = result.outcome.describe();
    entry.reason = result.outcome.sentence();
    entry.plies = static_cast<int>(result.moves.size());
    for (const auto& move : result.moves) {
        entry.moves.push_back(protocol::format_move(move.move));
        // To the millisecond, as the record writes them.
        entry.times.push_back(std::round(move.seconds * 1000) / 1000);
        (move.side == Side::Black ? entry.time_black : entry.time_white) += move.seconds;
    }
    entry.start = iso8601(result.started);
    entry.end = iso8601(result.ended);
    return entry;
}

std::string iso8601(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::system_clock::time_point(std::chrono::floor<std::chrono::seconds>(ms)));
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%03dZ",
                  static_cast<int>((ms.count() % 1000 + 1000) % 1000));
    return text;
}

std::string game_line(const GameEntry& entry) {
    json line{{"game", entry.game},
              {"black", entry.black},
              {"white", entry.white},
              {"result", entry.result},
              {"termination", entry.termination},
              {"reason", entry.reason},
              {"plies", entry.plies},
              {"moves", entry.moves},
              {"time_black", entry.time_black},
              {"time_white", entry.time_white},
              {"start", entry.start},
              {"end", entry.end},
              {"scheduled", entry.scheduled}};
    if (!entry.times.empty())
        line["times"] = entry.times;
    if (entry.run)
        line["run"] = run_json(*entry.run);
    return dump_line(line);
}

std::string summary_line(const Standings& standings, const std::optional<SprtSettings>& sprt) {
    json rows = json::array();
    int rank = 0;
    for (const auto& row : standings.rows) {
        const Score& s = row.score;
        json item{{"rank", ++rank},
                  {"player", standings.players[row.player]},
                  {"points", number(s.points())},
                  {"games", s.games()},
                  {"wins", s.wins},
                  {"losses", s.losses},
                  {"draws", s.draws},
                  {"score", s.games() == 0 ? json(nullptr) : number(s.points() / s.games())}};
        if (row.rating) {
            const Rating& r = *row.rating;
            add_estimate(item, "rating", EloEstimate{r.elo, r.low, r.high});
        }
        rows.push_back(std::move(item));
    }
    json summary{{"players", standings.players},
                 {"unfinished", standings.unfinished},
                 {"standings", std::move(rows)}};
    if (standings.players.size() > 2)
        summary["rating_prior"] = standings.rating_prior;
    const Sample sample = standings.players.size() == 2 ? match_sample(standings) : Sample{};
    if (standings.players.size() == 2) {
        const Score s = standings.against(0, 1);
        json match{{"wins", s.wins},
                   {"losses", s.losses},
                   {"draws", s.draws},
                   {"pentanomial", standings.pairs.counts},
                   {"unpaired", standings.pairs.unpaired},
                   {"model", model_name(sample.model)}};
        add_estimate(match, "elo", estimate_elo(sample));
        match["los"] = s.games() == 0 ? json(nullptr) : number(likelihood_of_superiority(s));
        summary["match"] = std::move(match);
    }
    summary["reasons"] = standings.reasons;
    if (sprt && standings.players.size() == 2) {
        const SprtState state = referee::sprt(sample, *sprt);
        summary["sprt"] = {{"model", model_name(state.model)},
                           {"elo0", number(sprt->elo0)},
                           {"elo1", number(sprt->elo1)},
                           {"alpha", number(sprt->alpha)},
                           {"beta", number(sprt->beta)},
                           {"llr", number(state.llr)},
                           {"lower", number(state.lower)},
                           {"upper", number(state.upper)},
                           {"decision", state.decision == SprtDecision::AcceptH1   ? "H1"
                                        : state.decision == SprtDecision::AcceptH0 ? "H0"
                                                                                   : "none"}};
    }
    return dump_line({{"summary", std::move(summary)}});
}

ResultsFile::~ResultsFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<std::string> ResultsFile::open(const std::string& path) {
    path_ = path;
    // Lines written into a FIFO or a device are lost to --merge, and opening
    // one could wait for ever: only a file can hold results.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return "the results file " + path + " is not a regular file";
    // Read access too: append() looks at the last byte for a torn line.
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return "cannot open the results file " + path + ": " + std::strerror(errno);
    return std::nullopt;
}

std::optional<std::string> ResultsFile::append(const std::string& line) {
    // A run that crashed mid-line left a fragment at the end; starting a new
    // line keeps this game from being glued to it and lost. (Two appenders
    // that both see the fragment add an empty line, which readers skip.)
    const std::string text = file_ends_mid_line(fd_) ? "\n" + line : line;
    ssize_t written = 0;
    do {
        written = ::write(fd_, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0)
        return "writing the results file " + path_ + " failed: " + std::strerror(errno);
    // Finishing a short write with a second write() could put another
    // process's line in the middle of this one; the reader reports the torn
    // line instead.
    if (static_cast<std::size_t>(written) != text.size())
        return "writing the results file " + path_ + " stopped short (disk full?)";
    return std::nullopt;
}

ReadResults read_results(std::istream& in, const std::string& name) {
    ReadResults out;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // Only a line cut off by the end of the file lacks its newline.
        const bool last_is_torn = in.eof();
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::string where = name + " line " + std::to_string(number) + ": ";
        const json value = json::parse(line, nullptr, false);
        if (value.is_discarded() || !value.is_object()) {
            out.problems.push_back(where + (last_is_torn ? "torn last line (a run that stopped "
                                                           "while writing?), skipped"
                                                         : "not a JSON object, skipped"));
            continue;
        }
        if (value.contains("summary"))
            continue;
        auto entry = entry_from(value);
        if (auto* message = std::get_if<std::string>(&entry)) {
            out.problems.push_back(where + *message + ", skipped");
            continue;
        }
        std::get<GameEntry>(entry).origin = name + " line " + std::to_string(number);
        out.games.push_back(std::move(std::get<GameEntry>(entry)));
    }
    return out;
}

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
        std::move(one.games.begin(), one.games.end(), std::back_inserter(merged.games));
    }
    // Stable: of two finished lines for one game (a job that ran twice), the
    // first read is kept, whatever order the sort would otherwise pick.
    std::stable_sort(merged.games.begin(), merged.games.end(),
                     [](const GameEntry& a, const GameEntry& b) { return a.game < b.game; });
    std::vector<GameEntry> unique;
    for (auto& game : merged.games) {
        if (!unique.empty() && unique.back().game == game.game) {
            // A job stopped by a signal and run again left an unfinished
            // line before the finished one: the game was played after all.
            if (unique.back().result == "*" && game.result != "*") {
                unique.back() = std::move(game);
                continue;
            }
            if (game.result == "*")
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

}  // namespace referee
