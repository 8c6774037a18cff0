#include "records/results.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "records/json_line.h"
#include "records/result.h"
#include "text/printable.h"

namespace records {
namespace {

constexpr const char* kNotAnObject = "not a JSON object";

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
    return {
        {"players", run.players},       {"commands", run.commands},
        {"tournament", run.tournament}, {"games", run.games},
        {"options", run.options},       {"rows", run.rows},
        {"columns", run.columns},       {"time_control", format_time_control(run.time_control)}};
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
    const auto control = parse_time_control(value.at("time_control").get<std::string>());
    if (!control)
        throw std::invalid_argument("time_control is not a time control");
    run.time_control = *control;
    return run;
}

json usage_json(const PlayerUsage& usage) {
    return {{"cpu", usage.cpu_seconds},
            {"wall", usage.wall_seconds},
            {"memory", usage.peak_memory},
            {"processes", usage.peak_processes}};
}

PlayerUsage usage_from(const json& value) {
    PlayerUsage usage;
    value.at("cpu").get_to(usage.cpu_seconds);
    value.at("wall").get_to(usage.wall_seconds);
    value.at("memory").get_to(usage.peak_memory);
    value.at("processes").get_to(usage.peak_processes);
    if (!(usage.cpu_seconds >= 0) || !(usage.wall_seconds >= 0) || usage.peak_processes < 0)
        throw std::invalid_argument("negative usage");
    return usage;
}

json fault_json(const Fault& fault) {
    return {{"player", fault.player}, {"side", fault.side}, {"kind", fault.kind}};
}

Fault fault_from(const json& value) {
    Fault fault;
    value.at("player").get_to(fault.player);
    value.at("side").get_to(fault.side);
    value.at("kind").get_to(fault.kind);
    if (fault.side != "black" && fault.side != "white")
        throw std::invalid_argument("a fault's side is black or white");
    return fault;
}

json build_json(const Build& build) {
    json value{{"player", build.player}, {"ok", build.ok}};
    if (!build.ok)
        value["why"] = build.why;
    value["seconds"] = build.seconds;
    value["output"] = build.output;
    return value;
}

Build build_from(const json& value) {
    Build build;
    value.at("player").get_to(build.player);
    value.at("ok").get_to(build.ok);
    build.why = value.value("why", "");
    value.at("seconds").get_to(build.seconds);
    value.at("output").get_to(build.output);
    build.player = text::printable(build.player);
    build.why = text::printable(build.why);
    return build;
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
        if (line.contains("fault"))
            entry.fault = fault_from(line.at("fault"));
        if (line.contains("run"))
            entry.run = std::make_shared<const RunInfo>(run_from(line.at("run")));
        if (line.contains("usage_black"))
            entry.usage = {usage_from(line.at("usage_black")), usage_from(line.at("usage_white"))};
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
        *text = text::printable(*text);
    if (entry.fault) {
        for (std::string* text : {&entry.fault->player, &entry.fault->kind})
            *text = text::printable(*text);
        if (entry.fault->player != (entry.fault->side == "black" ? entry.black : entry.white))
            return std::string("the fault's player is not the one on its side");
    }
    if (entry.black.empty() || entry.white.empty() || entry.black == entry.white)
        return std::string("black and white must be two named players");
    if (!entry.times.empty() && entry.times.size() != entry.moves.size())
        return std::string("times and moves differ in number");
    if (!Result::parse(entry.result))
        return "unknown result \"" + entry.result + "\"";
    return entry;
}

}  // namespace

std::string record_of(const GameEntry& entry) {
    RecordHeader header;
    header.event = "referee game " + std::to_string(entry.game);
    header.black = entry.black;
    header.white = entry.white;
    if (entry.run) {
        header.rows = entry.run->rows;
        header.columns = entry.run->columns;
        header.time_control = entry.run->time_control;
    }
    header.result = entry.result;
    header.termination = entry.termination;
    header.usage = entry.usage;
    std::vector<WrittenMove> moves;
    for (std::size_t i = 0; i < entry.moves.size(); ++i) {
        moves.push_back({entry.moves[i], entry.times.empty()
                                             ? std::nullopt
                                             : std::optional<double>(entry.times[i])});
    }
    std::ostringstream out;
    write_record(out, header, moves);
    return out.str();
}

namespace {

// What one line of a results file holds: a game, a build, a run, nothing to
// read (a summary), or why it cannot be read.
using Line = std::variant<GameEntry, Build, RunInfo, NotAGame, std::string>;

Line read_line(std::string_view text) {
    const json value = json::parse(text, nullptr, false);
    if (value.is_discarded() || !value.is_object())
        return std::string(kNotAnObject);
    if (value.contains("summary"))
        return NotAGame{};
    // Game lines of older referees hold a "run" of their own.
    if (!value.contains("game") && (value.contains("build") || value.contains("run"))) {
        const bool build = value.contains("build");
        try {
            if (build)
                return build_from(value.at("build"));
            return run_from(value.at("run"));
        } catch (const std::exception& error) {
            return std::string(build ? "a build line: " : "a run line: ") + error.what();
        }
    }
    auto entry = entry_from(value);
    if (auto* game = std::get_if<GameEntry>(&entry))
        return std::move(*game);
    return std::get<std::string>(entry);
}

// Gives each game of a file the run it belongs to: the run line before it,
// or in files of older referees its own. Equal descriptions are shared, not
// kept once per game: an older line repeats every player's command.
class RunTracker {
  public:
    // A run line; the same run again (jobs appending to one file each
    // write theirs) keeps the one already read.
    const std::shared_ptr<const RunInfo>& saw(RunInfo run) {
        if (!current_ || *current_ != run)
            current_ = std::make_shared<const RunInfo>(std::move(run));
        return current_;
    }
    void attach(GameEntry& entry) {
        if (!entry.run) {
            entry.run = current_;
        } else if (own_ && *own_ == *entry.run) {
            entry.run = own_;
        } else {
            own_ = entry.run;
        }
    }

  private:
    std::shared_ptr<const RunInfo> current_;
    std::shared_ptr<const RunInfo> own_;  // the last a game line held itself
};

}  // namespace

void drop_moves(GameEntry& entry) {
    std::vector<std::string>().swap(entry.moves);
    std::vector<double>().swap(entry.times);
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
    if (entry.fault)
        line["fault"] = fault_json(*entry.fault);
    if (entry.usage) {
        line["usage_black"] = usage_json((*entry.usage)[0]);
        line["usage_white"] = usage_json((*entry.usage)[1]);
    }
    return dump_line(line);
}

std::string build_line(const Build& build) {
    return dump_line({{"build", build_json(build)}});
}

std::string run_line(const RunInfo& run) {
    return dump_line({{"run", run_json(run)}});
}

void write_games(std::ostream& out, const std::vector<GameEntry>& games) {
    std::vector<const RunInfo*> runs;  // each once, in the order they first come
    std::vector<std::size_t> group;    // per game: 0 for none, else 1 + its run's place
    group.reserve(games.size());
    for (const auto& game : games) {
        if (!game.run) {
            group.push_back(0);
            continue;
        }
        const auto found = std::find_if(runs.begin(), runs.end(), [&](const RunInfo* run) {
            return run == game.run.get() || *run == *game.run;
        });
        group.push_back(static_cast<std::size_t>(found - runs.begin()) + 1);
        if (found == runs.end())
            runs.push_back(game.run.get());
    }
    for (std::size_t g = 0; g <= runs.size(); ++g) {
        if (g > 0)
            out << run_line(*runs[g - 1]);
        for (std::size_t i = 0; i < games.size(); ++i) {
            if (group[i] == g)
                out << game_line(games[i]);
        }
    }
}

std::variant<GameEntry, NotAGame, std::string> read_game_line(std::string_view line) {
    Line read = read_line(line);
    if (auto* game = std::get_if<GameEntry>(&read))
        return std::move(*game);
    if (auto* problem = std::get_if<std::string>(&read))
        return std::move(*problem);
    return NotAGame{};
}

Result result_of(const GameEntry& entry) {
    return Result::parse(entry.result).value_or(Result::unfinished());
}

bool replaces(const GameEntry& kept, const GameEntry& later) {
    return !result_of(kept).decided() && result_of(later).decided();
}

ReadResults read_results(std::istream& in, const std::string& name, bool moves) {
    ReadResults out;
    RunTracker runs;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // Only a line cut off by the end of the file lacks its newline.
        const bool last_is_torn = in.eof();
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::string where = name + " line " + std::to_string(number);
        Line read = read_line(line);
        if (auto* build = std::get_if<Build>(&read)) {
            std::erase_if(out.builds,
                          [&](const Build& kept) { return kept.player == build->player; });
            out.builds.push_back(std::move(*build));
        } else if (auto* run = std::get_if<RunInfo>(&read)) {
            out.runs.push_back({runs.saw(std::move(*run)), where});
        } else if (auto* message = std::get_if<std::string>(&read)) {
            out.problems.push_back(where + ": " +
                                   (*message == kNotAnObject && last_is_torn
                                        ? "torn last line (a run that stopped while "
                                          "writing?), skipped"
                                        : *message + ", skipped"));
        } else if (auto* game = std::get_if<GameEntry>(&read)) {
            runs.attach(*game);
            game->origin = where;
            if (!moves)
                drop_moves(*game);
            out.games.push_back(std::move(*game));
        }
    }
    return out;
}

std::optional<std::string> record_from_results(std::string_view text, int game, std::string& why) {
    std::optional<GameEntry> chosen;
    RunTracker runs;
    int games = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        Line read = read_line(row);
        if (auto* run = std::get_if<RunInfo>(&read))
            runs.saw(std::move(*run));
        auto* entry = std::get_if<GameEntry>(&read);
        if (!entry)
            continue;
        runs.attach(*entry);
        ++games;
        if (entry->game == game && (!chosen || replaces(*chosen, *entry)))
            chosen = std::move(*entry);
    }
    if (!chosen) {
        why = "the results file holds no game " + std::to_string(game) + " (it holds " +
              std::to_string(games) + (games == 1 ? " game line)" : " game lines)");
        return std::nullopt;
    }
    return record_of(*chosen);
}

bool is_results_file(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '{';
}

}  // namespace records
