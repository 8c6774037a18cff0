#include "records/record.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "records/result.h"
#include "rules/board.h"
#include "text/printable.h"

namespace records {
namespace {

constexpr int kMaxSeconds = 1'000'000;

// A value can neither end its tag early nor break its line.
std::string tag_value(const std::string& value) {
    std::string out;
    for (char c : text::printable(value)) {
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
    char out[64];
    std::strftime(out, sizeof out, format, &parts);
    return out;
}

std::optional<int> to_int(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// [Name "value"]; inside the value a backslash escapes the next character,
// which is how the referee writes quotes and backslashes in players' names.
std::optional<std::pair<std::string, std::string>> parse_tag(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    line = line.substr(1, line.size() - 2);
    const auto space = line.find(' ');
    if (space == 0 || space == std::string_view::npos)
        return std::nullopt;
    const std::string_view quoted = line.substr(space + 1);
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return std::nullopt;
    const std::string_view inner = quoted.substr(1, quoted.size() - 2);
    std::string value;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"')
            return std::nullopt;
        if (inner[i] == '\\' && ++i == inner.size())
            return std::nullopt;
        value += inner[i];
    }
    return std::pair{std::string(line.substr(0, space)), value};
}

// "{0.123s}" is the time the move took; any other comment carries no time.
double comment_seconds(std::string_view comment) {
    if (comment.size() < 2 || comment.back() != 's')
        return 0;
    comment.remove_suffix(1);
    double seconds = 0;
    const auto [end, error] =
        std::from_chars(comment.data(), comment.data() + comment.size(), seconds);
    if (error != std::errc() || end != comment.data() + comment.size() || !std::isfinite(seconds) ||
        seconds < 0)
        return 0;
    return seconds;
}

// Reads the lines one by one, keeping the game being read and its board, so
// that a move is checked against the position it is played in.
class Reader {
  public:
    explicit Reader(const std::function<void(Game&&)>& each) : each_(each) {}
    std::optional<RecordError> line(std::string_view text, int number);
    // Ends the game being read, if any; the number of games read.
    std::size_t finish();

  private:
    enum class Section { Between, Tags, Moves };

    std::optional<RecordError> tag(std::string_view text, int number);
    std::optional<RecordError> move(std::string_view text, int number);
    void close_game(Result result);

    const std::function<void(Game&&)>& each_;
    Section section_ = Section::Between;
    std::optional<Game> game_;  // the one being read
    std::size_t count_ = 0;
    std::optional<rules::Board> board_;
};

std::optional<RecordError> Reader::line(std::string_view text, int number) {
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    if (text.empty()) {
        if (section_ == Section::Tags)
            section_ = Section::Moves;
        return std::nullopt;
    }
    if (text.front() == '[')
        return tag(text, number);
    if (const auto result = Result::parse(text)) {
        if (section_ == Section::Between)
            return RecordError{number, "a result with no game before it"};
        close_game(*result);
        return std::nullopt;
    }
    return move(text, number);
}

std::optional<RecordError> Reader::tag(std::string_view text, int number) {
    const auto tag = parse_tag(text);
    if (!tag)
        return RecordError{number, "not a tag pair " + text::quote(text)};
    // Tags after moves begin the next game: the one before had no result.
    if (section_ != Section::Tags) {
        if (section_ == Section::Moves)
            close_game(Result::unfinished());
        game_.emplace();
        section_ = Section::Tags;
    }
    Game& game = *game_;
    const std::string& name = tag->first;
    const std::string& value = tag->second;
    const auto number_in = [&](int low, int high, int& into) -> std::optional<RecordError> {
        const auto parsed = to_int(value);
        if (!parsed || *parsed < low || *parsed > high) {
            return RecordError{number, name + " must be a number from " + std::to_string(low) +
                                           " to " + std::to_string(high)};
        }
        into = *parsed;
        return std::nullopt;
    };
    std::optional<RecordError> error;
    if (name == "Rows") {
        error = number_in(rules::kMinRows, rules::kMaxSide, game.rows);
    } else if (name == "Columns") {
        error = number_in(rules::kMinColumns, rules::kMaxSide, game.columns);
    } else if (name == "TimeControl") {
        const auto control = parse_time_control(value);
        if (!control || control->seconds > kMaxSeconds || control->increment > kMaxSeconds ||
            control->move_seconds > kMaxSeconds) {
            error = RecordError{number,
                                "TimeControl must read S, S+INC, S move M or S+INC move "
                                "M, with S from 0 to " +
                                    std::to_string(kMaxSeconds) + " seconds"};
        } else {
            game.time_control = *control;
        }
    }
    game.tags.push_back(*tag);
    return error;
}

std::optional<RecordError> Reader::move(std::string_view text, int number) {
    // A list of moves without tags is a game on the default board.
    if (section_ == Section::Between)
        game_.emplace();
    section_ = Section::Moves;
    Game& game = *game_;
    if (!board_)
        board_ = rules::Board::starting(game.rows, game.columns);

    RecordedMove recorded;
    recorded.line = number;
    const auto comment = text.find(" {");
    if (comment != std::string_view::npos) {
        const std::string_view rest = text.substr(comment + 2);
        if (rest.empty() || rest.back() != '}')
            return RecordError{number, "the comment after the move is not closed"};
        recorded.seconds = comment_seconds(rest.substr(0, rest.size() - 1));
    }
    const std::string_view notation = text.substr(0, comment);
    std::string why;
    const auto parsed = protocol::parse_move(notation, &why);
    if (!parsed)
        return RecordError{number, "not a move " + text::quote(notation) + ": " + why};
    if (const auto refusal = replay_refusal(*board_, mover(game.plies() + 1), *parsed)) {
        return RecordError{number, "ply " + std::to_string(game.plies() + 1) + ", " +
                                       protocol::format_move(*parsed) + ": " + *refusal};
    }
    board_->apply(*parsed);
    recorded.move = *parsed;
    game.moves.push_back(recorded);
    return std::nullopt;
}

void Reader::close_game(Result result) {
    if (section_ != Section::Between && game_) {
        game_->result = result.text();
        ++count_;
        each_(std::move(*game_));
        game_.reset();
    }
    section_ = Section::Between;
    board_.reset();
}

std::size_t Reader::finish() {
    close_game(Result::unfinished());
    return count_;
}

}  // namespace

void write_record(std::ostream& out, const RecordHeader& header,
                  const std::vector<WrittenMove>& moves) {
    const auto tag = [&](const char* name, const std::string& value) {
        out << '[' << name << " \"" << tag_value(value) << "\"]\n";
    };
    tag("Event", header.event);
    if (header.started)
        tag("Date", local_time(*header.started, "%Y.%m.%d"));
    tag("Black", header.black);
    tag("White", header.white);
    if (header.rows)
        tag("Rows", std::to_string(*header.rows));
    if (header.columns)
        tag("Columns", std::to_string(*header.columns));
    if (header.time_control)
        tag("TimeControl", format_time_control(*header.time_control));
    tag("Result", header.result);
    tag("Termination", header.termination);
    if (header.usage) {
        tag("BlackUsage", format_usage((*header.usage)[0]));
        tag("WhiteUsage", format_usage((*header.usage)[1]));
    }
    tag("PlyCount", std::to_string(moves.size()));
    if (header.started)
        tag("GameStartTime", local_time(*header.started, "%Y-%m-%dT%H:%M:%S %z"));
    if (header.ended)
        tag("GameEndTime", local_time(*header.ended, "%Y-%m-%dT%H:%M:%S %z"));
    out << '\n';
    char took[40];
    for (const auto& move : moves) {
        out << move.line;
        if (move.seconds) {
            std::snprintf(took, sizeof took, " {%.3fs}", *move.seconds);
            out << took;
        }
        out << '\n';
    }
    out << header.result << "\n\n";
}

NextLine lines_of(std::string_view text) {
    return [text]() mutable -> std::optional<std::string_view> {
        if (text.empty())
            return std::nullopt;
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        return line;
    };
}

std::optional<RecordError> read_games(const NextLine& next,
                                      const std::function<void(Game&&)>& each) {
    Reader reader(each);
    int number = 0;
    while (const auto line = next()) {
        if (auto error = reader.line(*line, ++number))
            return error;
    }
    if (reader.finish() == 0)
        return RecordError{0, "the record holds no game"};
    return std::nullopt;
}

std::variant<std::vector<Game>, RecordError> read_record(std::string_view text) {
    std::vector<Game> games;
    if (auto error =
            read_games(lines_of(text), [&](Game&& game) { games.push_back(std::move(game)); }))
        return *error;
    return games;
}

}  // namespace records
