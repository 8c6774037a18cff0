// The result of a game: its four texts read back as themselves, anything
// else is refused, and every decided result hands out exactly one point.
#include "records/result.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <variant>

#include "records/record.h"
#include "records/results.h"

namespace {

using records::Result;
using rules::Side;

constexpr std::array kKinds{Result::Kind::BlackWon, Result::Kind::WhiteWon, Result::Kind::Draw,
                            Result::Kind::Unfinished};

TEST(Result, TextsRoundTripAndNothingElseReads) {
    const std::array<const char*, 4> texts{"1-0", "0-1", "1/2-1/2", "*"};
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        const Result result(kKinds[i]);
        EXPECT_EQ(result.text(), texts[i]);
        const auto back = Result::parse(result.text());
        ASSERT_TRUE(back) << texts[i];
        EXPECT_EQ(*back, result);
    }
    EXPECT_EQ(Result(), Result::unfinished());
    for (const char* malformed : {"", " 1-0", "1-0 ", "1-0\n", "1/2", "0-0", "1-1", "1/2-1/2-1/2",
                                  "1/2 - 1/2", "0.5-0.5", "**", "-", "1-O", "+", "1-0*"})
        EXPECT_FALSE(Result::parse(malformed)) << '"' << malformed << '"';
}

TEST(Result, DecidedResultsShareOnePointAndUnfinishedNone) {
    for (const auto kind : kKinds) {
        const Result result(kind);
        SCOPED_TRACE(result.text());
        const auto black = result.points(Side::Black);
        const auto white = result.points(Side::White);
        ASSERT_EQ(black.has_value(), result.decided());
        ASSERT_EQ(white.has_value(), result.decided());
        if (!result.decided()) {
            EXPECT_FALSE(result.winner());
            continue;
        }
        EXPECT_EQ(*black + *white, 1.0);
        if (const auto winner = result.winner()) {
            EXPECT_EQ(result, Result::win_for(*winner));
            EXPECT_EQ(result.points(*winner), 1.0);
        } else {
            EXPECT_EQ(result, Result::draw());
            EXPECT_EQ(*black, *white);
        }
    }
    EXPECT_EQ(Result::win_for(Side::Black).text(), "1-0");
    EXPECT_EQ(Result::win_for(Side::White).text(), "0-1");
}

// The files refuse a result outside the four rather than guess at it: a
// results line names why, and a record reads the text as a move and stops.
TEST(Result, FilesRefuseAResultOutsideTheFour) {
    records::GameEntry entry;
    entry.game = 1;
    entry.black = "a";
    entry.white = "b";
    entry.result = "0-1";
    std::string line = records::game_line(entry);
    EXPECT_TRUE(std::holds_alternative<records::GameEntry>(records::read_game_line(line)));
    line.replace(line.find("\"0-1\""), 5, "\"1/2\"");
    const auto read = records::read_game_line(line);
    ASSERT_TRUE(std::holds_alternative<std::string>(read));
    EXPECT_EQ(std::get<std::string>(read), "unknown result \"1/2\"");

    EXPECT_EQ(records::result_of(entry), Result::win_for(Side::White));
    entry.result = "1/2";  // only code can make this; it counts for nobody
    EXPECT_EQ(records::result_of(entry), Result::unfinished());

    records::RecordHeader header;
    header.black = "a";
    header.white = "b";
    header.result = "1/2-1/2";
    std::ostringstream out;
    records::write_record(out, header, {});
    const auto games = records::read_record(out.str());
    ASSERT_TRUE(std::holds_alternative<std::vector<records::Game>>(games));
    EXPECT_EQ(std::get<std::vector<records::Game>>(games)[0].result, "1/2-1/2");
    std::string damaged = out.str();
    damaged.replace(damaged.rfind("1/2-1/2"), 7, "1/2");
    const auto refused = records::read_record(damaged);
    ASSERT_TRUE(std::holds_alternative<records::RecordError>(refused));
    EXPECT_NE(std::get<records::RecordError>(refused).why.find("not a move"), std::string::npos)
        << std::get<records::RecordError>(refused).why;
}

}  // namespace
