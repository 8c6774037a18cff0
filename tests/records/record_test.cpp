// The record file: what the writer writes reads back tag for tag and move
// for move, tags it has no value for stay out, and a broken record is
// reported at its line.
#include "records/record.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace {

using records::RecordError;

std::vector<records::Game> games_of(const std::string& text) {
    auto read = records::read_record(text);
    if (const auto* error = std::get_if<RecordError>(&read)) {
        ADD_FAILURE() << "line " << error->line << ": " << error->why;
        return {};
    }
    return std::get<std::vector<records::Game>>(read);
}

TEST(TimeControl, FormatsAndParsesEveryForm) {
    for (const auto& [control, text] :
         {std::pair{records::TimeControl{150, 0, 0}, "150"},
          std::pair{records::TimeControl{150, 2, 0}, "150+2"},
          std::pair{records::TimeControl{60, 0.25, 0.5}, "60+0.25 move 0.5"},
          std::pair{records::TimeControl{90, 0, 5}, "90 move 5"},
          std::pair{records::TimeControl{0, 0.1, 0}, "0+0.1"}}) {
        EXPECT_EQ(records::format_time_control(control), text);
        EXPECT_EQ(records::parse_time_control(text), control) << text;
    }
    for (const char* bad : {"", "150+", "+2", "150+-2", "150 move 0", "150 move", "1e3", "150+2x",
                            "-5", "150 move -1", "150+inf"})
        EXPECT_FALSE(records::parse_time_control(bad)) << bad;
}

// Every tag the referee writes, in its order, with quotes and backslashes
// in names escaped and control characters made visible; the moves with and
// without their times.
TEST(Record, WrittenTagsAndMovesReadBack) {
    records::RecordHeader header;
    header.event = "match";
    header.started = std::chrono::system_clock::from_time_t(1'700'000'000);
    header.ended = *header.started + std::chrono::seconds(90);
    header.black = "say \"hi\"";
    header.white = "back\\slash\x01";
    header.rows = 10;
    header.columns = 9;
    header.time_control = records::TimeControl{60, 2, 5};
    header.result = "0-1";
    header.termination = "black lost";
    std::ostringstream out;
    records::write_record(out, header, {{"S 0 7 M 0 6", 0.25}, {"S 1 2 M 1 3", std::nullopt}});
    const std::string text = out.str();
    EXPECT_NE(text.find("[Black \"say \\\"hi\\\"\"]\n[White \"back\\\\slash\\\\x01\"]\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\nS 0 7 M 0 6 {0.250s}\nS 1 2 M 1 3\n0-1\n\n"), std::string::npos)
        << text;

    const auto games = games_of(text);
    ASSERT_EQ(games.size(), 1U);
    const records::Game& game = games[0];
    std::vector<std::string> names;
    for (const auto& [name, value] : game.tags)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Event", "Date", "Black", "White", "Rows", "Columns",
                                               "TimeControl", "Result", "Termination", "PlyCount",
                                               "GameStartTime", "GameEndTime"}));
    EXPECT_EQ(game.tag("Black"), "say \"hi\"");
    EXPECT_EQ(game.tag("White"), "back\\slash\\x01");
    EXPECT_EQ(game.tag("PlyCount"), "2");
    EXPECT_EQ(game.rows, 10);
    EXPECT_EQ(game.columns, 9);
    EXPECT_EQ(game.time_control, (records::TimeControl{60, 2, 5}));
    ASSERT_EQ(game.plies(), 2);
    EXPECT_EQ(game.moves[0].move, (protocol::MoveLine{'S', 0, 7, 'M', 0, 6}));
    EXPECT_EQ(game.moves[0].seconds, 0.25);
    EXPECT_EQ(game.moves[1].seconds, 0);
    EXPECT_EQ(game.moves[1].line, 15);
    EXPECT_EQ(game.result, "0-1");
}

// A header that knows neither times nor the board writes no such tags, and
// the reader falls back on the default board and clocks.
TEST(Record, UnknownTagsAreLeftOut) {
    records::RecordHeader header;
    header.event = "e";
    header.black = "b";
    header.white = "w";
    std::ostringstream out;
    records::write_record(out, header, {});
    EXPECT_EQ(out.str(),
              "[Event \"e\"]\n[Black \"b\"]\n[White \"w\"]\n[Result \"*\"]\n"
              "[Termination \"\"]\n[PlyCount \"0\"]\n\n*\n\n");
    const auto games = games_of(out.str());
    ASSERT_EQ(games.size(), 1U);
    EXPECT_EQ(games[0].rows, 8);
    EXPECT_EQ(games[0].time_control, records::TimeControl{});
}

TEST(Record, BrokenRecordsNameTheirLine) {
    const std::string tags = "[Black \"b\"]\n[White \"w\"]\n\n";
    const struct {
        std::string text;
        int line;
        std::string why;
    } cases[] = {
        {tags + "S 0 5 M 0 4\nS 1 2 X 1 3\n", 5, "not a move \"S 1 2 X 1 3\""},
        {tags + "S 0 5 M 0 4\nS 1 2 M", 5, "not a move"},
        {tags + "S 0 5 M 0 4 {0.1s\n", 4, "not closed"},
        {tags + "S 0 5 M 8 4\n", 4, "ply 1, S 0 5 M 8 4: (8,4) is off the 8x8 board"},
        {tags + "S 0 5 M 0 4\nS 3 9 B 3 5\n", 5, "(3,9) is off the 8x8 board"},
        {tags + "S 0 4 M 0 3\n", 4, "(0,4) holds no soldier of black"},
        {tags + "S 0 5 M 0 4\nS 0 4 M 0 3\n", 5, "(0,4) holds no soldier of white"},
        {tags + "S 0 5 B 0 5\n", 4, "black cannot shoot its own piece on (0,5)"},
        {"[Rows \"5\"]\n", 1, "Rows must be a number from 6 to 100"},
        {"[Columns \"8x\"]\n", 1, "Columns must be"},
        {"[TimeControl \"150+2/5\"]\n", 1, "TimeControl must read S, S+INC"},
        {"[Black \"unterminated]\n", 1, "not a tag pair"},
        {"[Black \"a\" b\"]\n", 1, "not a tag pair"},
        {"\n1-0\n", 2, "a result with no game before it"},
        {"", 0, "the record holds no game"},
    };
    for (const auto& c : cases) {
        const auto read = records::read_record(c.text);
        const auto* error = std::get_if<RecordError>(&read);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_NE(error->why.find(c.why), std::string::npos) << error->why;
    }
}

}  // namespace
