#include "referee/game/record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "referee/common/text.h"

namespace referee {
namespace {

// A value can neither end its tag early nor break its line.
std::string tag_value(const std::string& text) {
    std::string out;
    for (char c : printable(text)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string local_time(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    ::localtime_r(&seconds, &parts);
    char text[64];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

// The shortest text that reads back as `value`.
std::string decimal(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::to_string(value);
}

// A non-negative finite number filling all of `text`.
std::optional<double> read_decimal(std::string_view text) {
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value < 0 || text.front() == '-')
        return std::nullopt;
    return value;
}

}  // namespace

std::string format_time_control(const TimeControl& control) {
    std::string text = std::to_string(control.seconds);
    if (control.increment > 0)
        text += "+" + decimal(control.increment);
    if (control.move_seconds > 0)
        text += " move " + decimal(control.move_seconds);
    return text;
}

std::optional<TimeControl> parse_time_control(std::string_view text) {
    TimeControl control;
    if (const auto move = text.find(" move "); move != std::string_view::npos) {
        const auto bound = read_decimal(text.substr(move + 6));
        if (!bound || *bound == 0)
            return std::nullopt;
        control.move_seconds = *bound;
        text = text.substr(0, move);
    }
    if (const auto plus = text.find('+'); plus != std::string_view::npos) {
        const auto increment = read_decimal(text.substr(plus + 1));
        if (!increment)
            return std::nullopt;
        control.increment = *increment;
        text = text.substr(0, plus);
    }
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), control.seconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        control.seconds < 0)
        return std::nullopt;
    return control;
}

void write_record(std::ostream& out, const RecordInfo& info, const GameResult& result) {
    const auto tag = [&](const char* name, const std::string& value) {
        out << '[' << name << " \"" << tag_value(value) << "\"]\n";
    };
    tag("Event", info.event);
    tag("Date", local_time(result.started, "%Y.%m.%d"));
    tag("Black", info.black);
    tag("White", info.white);
    tag("Rows", std::to_string(info.rows));
    tag("Columns", std::to_string(info.columns));
    tag("TimeControl",
        format_time_control({info.time_seconds, info.increment_seconds, info.move_seconds}));
    tag("Result", result.outcome.result());
    tag("Termination", result.outcome.describe());
    tag("PlyCount", std::to_string(result.moves.size()));
    tag("GameStartTime", local_time(result.started, "%Y-%m-%dT%H:%M:%S %z"));
    tag("GameEndTime", local_time(result.ended, "%Y-%m-%dT%H:%M:%S %z"));
    out << '\n';
    char took[32];
    for (const auto& move : result.moves) {
        std::snprintf(took, sizeof took, "%.3f", move.seconds);
        out << protocol::format_move(move.move) << " {" << took << "s}\n";
    }
    out << result.outcome.result() << "\n\n";
}

std::vector<std::string> record_moves(const std::string& record_text) {
    std::vector<std::string> moves;
    std::istringstream lines(record_text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] != 'S')
            continue;
        const auto comment = line.find(" {");
        moves.push_back(comment == std::string::npos ? line : line.substr(0, comment));
    }
    return moves;
}

void LogSink::write(const std::string& line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (failure_)
        return;
    failure_ = out_.write(line);
}

std::optional<std::string> LogSink::failure() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

GameLog::GameLog(LogSink& out, int game, const std::string& black, const std::string& white,
                 std::chrono::steady_clock::time_point origin, std::size_t error_cap)
    : out_(out),
      game_("game " + std::to_string(game) + " "),
      names_{"black " + black, "white " + white},
      origin_(origin),
      error_cap_(error_cap) {}

std::string GameLog::stamp() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - origin_);
    char text[32];
    std::snprintf(text, sizeof text, "%8lld ", static_cast<long long>(ms.count()));
    return text + game_;
}

void GameLog::write(const std::string& line) {
    if (started_) {
        out_.write(line);
        return;
    }
    pending_ += line;
}

void GameLog::started(const Board& /*board*/, const std::array<double, 2>& /*clock_left*/) {
    begin();
}

void GameLog::begin() {
    if (started_)
        return;
    started_ = true;
    if (!pending_.empty())
        out_.write(pending_);
    pending_.clear();
}

void GameLog::line(Side side, Direction direction, std::string_view text) {
    const char* arrow = direction == Direction::ToPlayer ? "-> " : "<- ";
    begin();
    write(stamp() + arrow + names_[side == Side::Black ? 0 : 1] + ": " + printable(text, true) +
          '\n');
}

void GameLog::error_output(Side side, std::string_view text) {
    const std::size_t who = side == Side::Black ? 0 : 1;
    const std::size_t bytes = text.size() + 1;  // the line's newline included
    if (error_left_out_[who] > 0 || error_kept_[who] + bytes > error_cap_) {
        error_left_out_[who] += bytes;
        return;
    }
    error_kept_[who] += bytes;
    begin();
    write(stamp() + "!! " + names_[who] + " stderr: " + printable(text, true) + '\n');
}

void GameLog::finish() {
    for (std::size_t who = 0; who < 2; ++who) {
        if (error_left_out_[who] == 0)
            continue;
        write(stamp() + "!! " + names_[who] + " stderr: " + std::to_string(error_left_out_[who]) +
              " more bytes left out (the log keeps " + std::to_string(error_cap_) +
              " bytes of each player's standard error per game)\n");
    }
}

void GameLog::note(std::string_view text) {
    write(stamp() + "== " + printable(text) + '\n');
}

}  // namespace referee
