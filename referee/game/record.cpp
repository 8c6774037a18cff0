#include "referee/game/record.h"

#include <cstdio>

#include "records/record.h"

#include "text/printable.h"

namespace referee {
void write_record(std::ostream& out, const RecordInfo& info, const GameResult& result) {
    records::RecordHeader header;
    header.event = info.event;
    header.started = result.started;
    header.ended = result.ended;
    header.black = info.black;
    header.white = info.white;
    header.rows = info.rows;
    header.columns = info.columns;
    header.time_control = info.time_control;
    header.result = result.outcome.result().text();
    header.termination = result.outcome.describe();
    // A game nobody measured (one a test makes up, say) has no usage tags.
    const auto measured = [](const records::PlayerUsage& usage) {
        return usage.cpu_seconds > 0 || usage.wall_seconds > 0 || usage.peak_memory > 0 ||
               usage.peak_processes > 0;
    };
    if (measured(result.usage[0]) || measured(result.usage[1]))
        header.usage = result.usage;
    std::vector<records::WrittenMove> moves;
    for (const auto& move : result.moves)
        moves.push_back({protocol::format_move(move.move), move.seconds});
    records::write_record(out, header, moves);
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
                 std::chrono::steady_clock::time_point origin, std::size_t error_cap,
                 std::optional<rules::Side> only)
    : out_(out),
      game_("game " + std::to_string(game) + " "),
      names_{"black " + black, "white " + white},
      origin_(origin),
      error_cap_(error_cap),
      only_(only) {}

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

void GameLog::started(const rules::Board& /*board*/, const std::array<double, 2>& /*clock_left*/) {
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

void GameLog::line(rules::Side side, Direction direction, std::string_view text) {
    if (only_ && side != *only_)
        return;
    const char* arrow = direction == Direction::ToPlayer ? "-> " : "<- ";
    begin();
    write(stamp() + arrow + names_[rules::side_index(side)] + ": " + text::printable(text, true) +
          '\n');
}

// A player's own log holds the notices about it, and none about its
// opponent.
void GameLog::notice(rules::Side side, std::string_view text) {
    if (only_ && side != *only_)
        return;
    note(text);
}

void GameLog::error_output(rules::Side side, std::string_view text) {
    if (only_ && side != *only_)
        return;
    const std::size_t who = rules::side_index(side);
    const std::size_t bytes = text.size() + 1;  // the line's newline included
    if (error_left_out_[who] > 0 || error_kept_[who] + bytes > error_cap_) {
        error_left_out_[who] += bytes;
        return;
    }
    error_kept_[who] += bytes;
    begin();
    write(stamp() + "!! " + names_[who] + " stderr: " + text::printable(text, true) + '\n');
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
    write(stamp() + "== " + text::printable(text) + '\n');
}

}  // namespace referee
